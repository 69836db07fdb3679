#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>

// What the find searches, read on a connection of its own for a worker
// thread, each table in one pass in key order: first every brewery with
// its eight fields (`brewery(rowId, texts)`, RowId ascending), then every
// history entry with its brewery's RowId and its complete name, name and
// ID (`entry(parent, texts)`). Texts are as the register holds them, an
// empty view for Null, valid during the call. Read a slice of rows per read
// transaction, so that the window's writes wait for one slice at most.
// Throws StoreError when the register cannot be read.
void ReadFindTexts(const QString &path, const std::function<void(qint64 rowId, const QByteArrayView *texts)> &brewery,
                   const std::function<void(qint64 parent, const QByteArrayView *texts)> &entry);

// How many texts each call hands over.
inline constexpr int FindBreweryTexts = 8;
inline constexpr int FindChronikTexts = 3;
