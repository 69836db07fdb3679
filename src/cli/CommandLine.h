#pragma once

#include <QCommandLineParser>
#include <optional>

// The command line as both programs read it: --help and --version print
// and end the program with 0; an unknown option, or more file names than
// the program takes, prints the usage to standard error and ends it with 2.
// An option is never taken for a file name. Returns the exit code when the
// program is to end here, nothing when it is to go on.
std::optional<int> ParseCommandLine(QCommandLineParser &parser, const QStringList &arguments, int maxFiles);

// Sets the name and version both programs report.
void NameApplication();
