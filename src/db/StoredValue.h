#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <vector>

// A TEXT value whose bytes are not UTF-8 (another program wrote them). Read
// as a QString it would come back altered, so it is kept as its bytes and
// written back as TEXT with exactly those bytes. It shows as the text Qt
// makes of it.
struct StoredText {
    QByteArray bytes;
    QString toString() const { return QString::fromUtf8(bytes); }
    friend bool operator==(const StoredText &a, const StoredText &b) { return a.bytes == b.bytes; }
};
Q_DECLARE_METATYPE(StoredText)

// A value as the register stores it, storage class included: Null is an
// invalid QVariant, INTEGER a qint64, REAL a double, TEXT a QString (or a
// StoredText when its bytes are not UTF-8), BLOB a QByteArray.
QVariant StoredTextValue(const char *bytes, int size);

// True when both are the same stored value: the same storage class and the
// same bytes. QVariant's own == takes 5 and 5.0 for one value.
bool SameStoredValue(const QVariant &a, const QVariant &b);
bool SameStoredRow(const std::vector<QVariant> &a, const std::vector<QVariant> &b);
