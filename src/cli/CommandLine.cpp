#include "CommandLine.h"

#include <QCoreApplication>
#include <cstdio>

void NameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Sudregister"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SUDREGISTER_VERSION));
}

QList<QCommandLineOption> WidgetApplicationOptions()
{
    QList<QCommandLineOption> options;
    const auto valued = [&](const char *name, const char *description, const char *value) {
        options << QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                                      QString::fromLatin1(value));
    };
    const auto plain = [&](const char *name, const char *description) {
        options << QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description));
    };
    valued("platform", "The window system plugin to use (xcb, wayland, offscreen, …).", "name");
    valued("platformpluginpath", "Where window system plugins are looked for.", "path");
    valued("platformtheme", "The platform theme to use.", "theme");
    valued("plugin", "An additional plugin to load.", "plugin");
    valued("qwindowgeometry", "The geometry of the first window.", "geometry");
    valued("qwindowicon", "The icon of the first window.", "icon");
    valued("qwindowtitle", "The title of the first window.", "title");
    valued("style", "The widget style (fusion, windows, …).", "style");
    valued("stylesheet", "A style sheet for the application.", "file");
    valued("session", "The session to restore.", "session");
    valued("display", "The X display to use.", "display");
    valued("geometry", "The geometry of the main window (X11).", "geometry");
    valued("fontengine", "The font engine to use.", "engine");
    valued("qmljsdebugger", "Activates the QML/JS debugger.", "value");
    plain("reverse", "Lays the windows out right to left.");
    plain("widgetcount", "Tells at the end how many widgets were made.");
    plain("nograb", "Never grabs the mouse or the keyboard.");
    plain("dograb", "Grabs the mouse and the keyboard even under a debugger.");
    plain("sync", "Runs X11 synchronously, for debugging.");
    return options;
}

std::optional<int> ParseCommandLine(QCommandLineParser &parser, const QStringList &arguments, int maxFiles,
                                    const QList<QCommandLineOption> &qtOptions)
{
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Qt's own options, which the application object takes, single dash as
    // Qt writes them; listed by --help-all only.
    parser.setSingleDashWordOptionMode(qtOptions.isEmpty() ? QCommandLineParser::ParseAsCompactedShortOptions
                                                           : QCommandLineParser::ParseAsLongOptions);
    for (QCommandLineOption option : qtOptions) {
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    const auto usageError = [&](const QString &error) {
        std::fprintf(stderr, "%s\n\n%s", qPrintable(error), qPrintable(parser.helpText()));
        return 2;
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help-all"))) {
        QString text = parser.helpText();
        if (!qtOptions.isEmpty()) {
            text += QStringLiteral("\nQt's own options:\n");
            for (const QCommandLineOption &option : qtOptions) {
                const QString name = QStringLiteral("  -") + option.names().first()
                    + (option.valueName().isEmpty() ? QString() : QStringLiteral(" <%1>").arg(option.valueName()));
                text += name.leftJustified(27) + option.description() + QLatin1Char('\n');
            }
        }
        std::fputs(qPrintable(text), stdout);
        return 0;
    }
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
