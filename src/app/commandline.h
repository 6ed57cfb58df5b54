// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <optional>

// The program's own command-line options, --help and --version, read in two
// steps around the creation of the application object. Everything else the
// operator sets lives in the settings store.
class CommandLine {
  public:
    // Before the application object exists, so that both options answer on a
    // terminal without a display: prints the help or the version on stdout and
    // returns the exit code, or returns nothing when the program is to start.
    static std::optional<int> answerBeforeStart(int& argc, char** argv);

    // Once the application object has taken the toolkit's own options
    // (-platform, -style, …) out of the arguments: whatever is left is a
    // mistake, told on stderr with exit code 1. Returns nothing when all is well.
    static std::optional<int> rejectLeftovers(const QStringList& arguments);
};
