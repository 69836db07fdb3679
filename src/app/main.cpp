#include "DatabasePath.h"
#include "RegisterFile.h"
#include "StoreError.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString path = DatabasePath(QCoreApplication::applicationDirPath());
    std::shared_ptr<RegisterFile> file;
    try {
        file = RegisterFile::open(path);
    } catch (const StoreError &e) {
        QMessageBox::critical(nullptr, QStringLiteral("Sudregister"), e.message());
        return 1;
    }
    QLabel window(QStringLiteral("Register: %1").arg(path));
    window.setWindowTitle(QStringLiteral("Sudregister Prototype Program"));
    window.show();
    return app.exec();
}
