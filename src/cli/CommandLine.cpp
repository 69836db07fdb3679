#include "CommandLine.h"

#include <QCoreApplication>
#include <cstdio>

void NameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Sudregister"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SUDREGISTER_VERSION));
}

std::optional<int> ParseCommandLine(QCommandLineParser &parser, const QStringList &arguments, int maxFiles)
{
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const auto usageError = [&](const QString &error) {
        std::fprintf(stderr, "%s\n\n%s", qPrintable(error), qPrintable(parser.helpText()));
        return 2;
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (parser.positionalArguments().size() > maxFiles)
        return usageError(
            QStringLiteral("Too many file names: %1").arg(parser.positionalArguments().join(QLatin1Char(' '))));
    return std::nullopt;
}
