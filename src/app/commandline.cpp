// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and quit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version and quit.")};

    Parser()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Stage timer for live events: the operator runs a countdown or count-up in the\n"
            "control window while a second, full-screen window shows the time to the stage.\n"
            "Settings are made in the program and kept between runs. Qt's own options, such\n"
            "as -platform and -style, are accepted too. See vellmark(1)."));
        // -stylesheet or -reverse are the toolkit's options, not clusters of
        // one-letter options that would include -h or -v.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOption(help);
        parser.addOption(version);
    }
};

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

std::optional<int> CommandLine::answerBeforeStart(int& argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // Unknown options are not judged yet: they may be the toolkit's, which
    // only the application object knows.
    Parser p;
    p.parser.parse(arguments);
    if (p.parser.isSet(p.version)) {
        print(stdout, QStringLiteral("Vellmark %1\n").arg(QStringLiteral(VELLMARK_VERSION)));
        return 0;
    }
    if (p.parser.isSet(p.help)) {
        // The help text names the program as it was called, which it takes
        // from a core application object; that one needs no display.
        QCoreApplication core(argc, argv);
        print(stdout, p.parser.helpText());
        return 0;
    }
    return std::nullopt;
}

std::optional<int> CommandLine::rejectLeftovers(const QStringList& arguments)
{
    Parser p;
    QString error;
    if (!p.parser.parse(arguments))
        error = p.parser.errorText();
    else if (!p.parser.positionalArguments().isEmpty())
        error =
            QStringLiteral("Unexpected argument '%1'.").arg(p.parser.positionalArguments().first());
    if (error.isEmpty())
        return std::nullopt;
    print(stderr,
          QStringLiteral("vellmark: %1\nTry 'vellmark --help' for more information.\n").arg(error));
    return 1;
}
