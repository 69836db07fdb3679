#pragma once

#include <QCommandLineParser>
#include <QList>
#include <optional>

// The command line as both programs read it: --help and --version print
// and end the program with 0, --help-all too, with `qtOptions` (the options
// Qt's application object takes itself) listed; an unknown option, or more
// file names than the program takes, prints the usage to standard error
// and ends it with 2. An option is never taken for a file name, and the
// options in `qtOptions` are accepted, for the application object to take.
// Returns the exit code when the program is to end here, nothing when it is
// to go on.
std::optional<int> ParseCommandLine(QCommandLineParser &parser, const QStringList &arguments, int maxFiles,
                                    const QList<QCommandLineOption> &qtOptions = {});

// The options a QApplication takes from the command line itself
// ("-style fusion", "-platform offscreen", …).
QList<QCommandLineOption> WidgetApplicationOptions();

// Sets the name and version both programs report.
void NameApplication();
