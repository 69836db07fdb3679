#include "StoredValue.h"

namespace {

void registerConversion()
{
    static const bool registered = QMetaType::registerConverter<StoredText, QString>(&StoredText::toString);
    Q_UNUSED(registered);
}

} // namespace

QVariant StoredTextValue(const char *bytes, int size)
{
    QString text = QString::fromUtf8(bytes, size);
    // Only a text that holds a replacement character can have lost bytes.
    if (!text.contains(QChar::ReplacementCharacter) || text.toUtf8() == QByteArrayView(bytes, size))
        return text;
    registerConversion();
    return QVariant::fromValue(StoredText{QByteArray(bytes, size)});
}

bool SameStoredValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a.metaType() == b.metaType() && a == b;
}

bool SameStoredRow(const std::vector<QVariant> &a, const std::vector<QVariant> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!SameStoredValue(a[i], b[i]))
            return false;
    }
    return true;
}
