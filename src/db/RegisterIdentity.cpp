#include "RegisterIdentity.h"

#include "RegisterFile.h"

#include <QRandomGenerator>

namespace {

qint64 stored(RegisterFile &file)
{
    Cursor read = file.cached("PRAGMA user_version");
    return read.step() ? read.value(0).toLongLong() : 0;
}

} // namespace

QString RegisterIdentity::of(RegisterFile &file)
{
    const qint64 identity = stored(file);
    return identity == 0 ? QString() : QStringLiteral("register %1").arg(identity);
}

void RegisterIdentity::giveIfMissing(RegisterFile &file)
{
    if (file.isReadOnly() || stored(file) != 0)
        return;
    // Positive and never 0, which is "none".
    const quint32 identity = QRandomGenerator::system()->bounded(1u, 0x7fffffffu);
    file.exec(QByteArray("PRAGMA user_version = " + QByteArray::number(identity)).constData());
}
