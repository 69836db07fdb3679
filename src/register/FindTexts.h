#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>

// What the find searches, read on a connection of its own for a worker
// thread: each brewery's eight fields, then the complete name, name and ID
// of each of its history entries, brewery after brewery in RowId order.
// `brewery(rowId)` begins a brewery; `value(utf8)` hands over each of its
// values, as the register holds them (valid during the call). Read a slice
// of breweries per read transaction, so that the window's writes wait for
// one slice at most. Throws StoreError when the register cannot be read.
void ReadFindTexts(const QString &path, const std::function<void(qint64 rowId)> &brewery,
                   const std::function<void(QByteArrayView utf8)> &value);
