// The tests run in the font of Debian's default desktop, for which the
// windows were drawn; the offscreen platform would give its own.
#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>

namespace {

void useDesktopFont()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QGuiApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(useDesktopFont)
