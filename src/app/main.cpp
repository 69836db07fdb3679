#include "DatabasePath.h"
#include "StoreError.h"
#include "Sudregister.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    std::unique_ptr<Sudregister> window;
    try {
        window = std::make_unique<Sudregister>(DatabasePath(QCoreApplication::applicationDirPath()));
    } catch (const StoreError &e) {
        // Without its register the program has nothing to show.
        QMessageBox::critical(nullptr, ProgramTitle, e.message());
        return 1;
    }
    window->show();
    return app.exec();
}
