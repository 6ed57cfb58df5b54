// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/unixsignalquitter.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

// The handler writes to [1], the notifier reads [0]; -1 while no quitter exists.
int s_socketPair[2] = {-1, -1};
struct sigaction s_previous[kSignalCount];
bool s_installed = false;

extern "C" void onUnixSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    // If the socket is full a quit is already pending; the byte may be dropped.
    [[maybe_unused]] const ssize_t written = ::write(s_socketPair[1], &byte, 1);
    errno = savedErrno;
}

void closeSocketPair()
{
    for (int& fd : s_socketPair) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace

UnixSignalQuitter::UnixSignalQuitter(QObject* parent) : QObject(parent)
{
    if (s_installed)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_socketPair) != 0) {
        s_socketPair[0] = s_socketPair[1] = -1;
        return;
    }
    for (const int fd : s_socketPair) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }

    m_notifier = new QSocketNotifier(s_socketPair[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalQuitter::onSignalReceived);

    struct sigaction action = {};
    action.sa_handler = onUnixSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &action, &s_previous[i]);
    s_installed = true;
}

UnixSignalQuitter::~UnixSignalQuitter()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &s_previous[i], nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    closeSocketPair();
    s_installed = false;
}

bool UnixSignalQuitter::isActive() const
{
    return m_notifier != nullptr;
}

void UnixSignalQuitter::onSignalReceived()
{
    char buffer[16];
    while (::read(s_socketPair[0], buffer, sizeof(buffer)) > 0) {
    }
    QCoreApplication::quit();
}

#else

UnixSignalQuitter::UnixSignalQuitter(QObject* parent) : QObject(parent) {}

UnixSignalQuitter::~UnixSignalQuitter() = default;

bool UnixSignalQuitter::isActive() const
{
    return false;
}

void UnixSignalQuitter::onSignalReceived() {}

#endif
