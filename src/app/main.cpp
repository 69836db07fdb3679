// sudregister [REGISTER]: the main window on a register.
#include "CommandLine.h"
#include "MessageBoxes.h"
#include "RegisterLocation.h"
#include "StoreError.h"
#include "RegisterWindow.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QSettings>

namespace {

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Keeps a register of breweries and their history."));
    parser.addPositionalArgument(QStringLiteral("REGISTER"),
                                 QStringLiteral("The register to open, created when missing. Without it: "
                                                "Sudregister2K.mdb beside the program if there is one, else the one in "
                                                "the user's data folder (~/.local/share/Sudregister)."),
                                 QStringLiteral("[REGISTER]"));
}

} // namespace

int main(int argc, char *argv[])
{
    NameApplication();
    QString given;
    {
        // Read before the window system is asked for: help, version and a
        // wrong command line are told without a display. Qt's own options
        // are let through for the application object below.
        QCoreApplication probe(argc, argv);
        QCommandLineParser parser;
        describe(parser);
        if (const auto exit = ParseCommandLine(parser, probe.arguments(), 1, WidgetApplicationOptions()))
            return *exit;
        given = parser.positionalArguments().value(0);
    }
    QApplication app(argc, argv);
    // The icon the package installs into the desktop's icon theme.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.sudregister.Sudregister")));
    // ~/.config/Sudregister/Sudregister.conf
    QSettings settings(QStringLiteral("Sudregister"), QStringLiteral("Sudregister"));
    RegisterWindow window(nullptr, &settings);
    try {
        // Without its register the program has nothing to show; the window
        // has said why.
        if (!window.openRegister(ChooseRegister(given)))
            return window.closedWhileOpening() ? 0 : 1;
    } catch (const StoreError &e) {
        QMessageBox::critical(nullptr, ProgramTitle, e.message());
        return 1;
    }
    window.show();
    return app.exec();
}
