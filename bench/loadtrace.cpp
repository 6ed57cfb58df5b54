// SPDX-License-Identifier: GPL-3.0-or-later
// A dynamic-linker audit library (LD_AUDIT) that bench_startup puts in front
// of the programs it starts: it writes the monotonic time and the path of
// every shared object as it is loaded, the program's own dependencies and
// everything opened later (Qt plug-ins, GStreamer and its plug-ins), to the
// file named by VELLMARK_LOADTRACE. Nothing in the program is changed.
#include <link.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

namespace {

int traceFd()
{
    static int fd = -2;
    if (fd == -2) {
        const char* path = std::getenv("VELLMARK_LOADTRACE");
        fd = path ? ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }
    return fd;
}

} // namespace

extern "C" {

unsigned int la_version(unsigned int version)
{
    return version < LAV_CURRENT ? version : LAV_CURRENT;
}

unsigned int la_objopen(struct link_map* map, Lmid_t, uintptr_t*)
{
    const int fd = traceFd();
    if (fd >= 0 && map && map->l_name && map->l_name[0]) {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        char line[1200];
        const int n =
            std::snprintf(line, sizeof line, "%lld.%06ld %s\n", static_cast<long long>(now.tv_sec),
                          now.tv_nsec / 1000, map->l_name);
        if (n > 0)
            (void)!::write(fd, line,
                           static_cast<size_t>(n < int(sizeof line) ? n : int(sizeof line) - 1));
    }
    return 0;
}
}
