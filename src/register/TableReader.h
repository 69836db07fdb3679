#pragma once

#include <QByteArrayView>
#include <functional>

class RegisterFile;

// Reads a whole table of the register in one pass, for what needs all of
// it: the report's objects and the export.
//
// Reads every history entry of the register in one pass over the table.
// Each brewery's entries arrive in the order in which the store returns
// them to that brewery's query without an ordering clause. The five texts
// come in the order of a report line's history columns, as the register
// holds them (UTF-8, valid during the call); a Null value is a null view.
void ReadAllChroniks(RegisterFile &file,
                     const std::function<void(qint64 parentRowId, const QByteArrayView *texts)> &entry);

// The same for the breweries, in key order: each brewery's key and its
// eight texts in a report line's order. With `betweenSlices`, the table is
// read a few thousand rows at a time, each slice a read of its own, so that
// no write waits for the whole pass; `betweenSlices` runs after each slice,
// while the register is held by none.
void ReadAllBreweries(RegisterFile &file, const std::function<void(qint64 rowId, const QByteArrayView *texts)> &brewery,
                      const std::function<void()> &betweenSlices = {});

// The same for the history entries with their own keys: each entry's key,
// its brewery's and its five texts.
void ReadAllChronikEntries(RegisterFile &file,
                           const std::function<void(qint64 rowId, qint64 parentRowId, const QByteArrayView *texts)> &entry,
                           const std::function<void()> &betweenSlices = {});

// One brewery's eight texts, as ReadAllBreweries gives them; false when
// there is no brewery `rowId`.
bool ReadBreweryTexts(RegisterFile &file, qint64 rowId, const std::function<void(const QByteArrayView *texts)> &brewery);

// One brewery's history entries with their keys, in key order, their texts
// as ReadAllChronikEntries gives them.
void ReadChronikEntriesOf(RegisterFile &file, qint64 parentRowId,
                          const std::function<void(qint64 rowId, const QByteArrayView *texts)> &entry);
