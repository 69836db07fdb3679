#include "GroupWrite.h"

#include "Register.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "RegisterUndo.h"
#include "RowWriter.h"
#include "StoreError.h"
#include "StoredRow.h"
#include "Transaction.h"

#include <QHash>

namespace {

// Whether the row now stands exactly as `change.after` says: a text or a
// Null is stored as given, while a number written to a text field becomes
// text there, and a new row's key is the store's to give.
bool storedAsGiven(const RowChange &change)
{
    if (!change.before)
        return false;
    for (const int field : RowWriter::differingFields(change)) {
        const QVariant &value = change.after->at(size_t(field));
        if (!value.isNull() && value.metaType() != QMetaType::fromType<QString>())
            return false;
    }
    return true;
}

// A history entry of a brewery added in the same group names it by its
// placeholder until the brewery has its key.
void placeParent(RowChange &change, const QHash<qint64, qint64> &placed)
{
    const qsizetype parent = change.fields.indexOf(RegisterSchema::ChronikParent);
    if (change.table != RegisterSchema::ChronikTable || parent < 0 || !change.after)
        return;
    QVariant &value = (*change.after)[size_t(parent)];
    if (value.toLongLong() < 0)
        value = placed.value(value.toLongLong());
}

} // namespace

RowChanges WriteGroup(Register &reg, const RowChanges &plan, const QString &step)
{
    RegisterFile &file = reg.file();
    // A shared register's server gives the new keys, before the file's
    // transaction opens: no round trip to it runs inside one.
    QHash<QString, std::vector<qint64>> newKeys;
    for (const RowChange &change : plan) {
        if (!change.before)
            newKeys[change.table].push_back(0);
    }
    for (auto table = newKeys.begin(); table != newKeys.end(); ++table) {
        std::vector<qint64> given = file.newKeys(table.key(), int(table->size()));
        if (!given.empty())
            *table = std::move(given);
    }
    RowChanges written;
    written.reserve(plan.size());
    const NamedStep named(file, step);
    reg.history().recordAs(step, [&] {
        Transaction tx(file);
        const RowWriter writer = file.rowWriter();
        QHash<QString, size_t> nextKey;
        QHash<qint64, qint64> placed;
        for (RowChange change : plan) {
            const qint64 planned = change.key;
            if (!change.before) {
                change.key = newKeys[change.table][nextKey[change.table]++];
                const QString keyField = file.keyFieldOf(change.table);
                if (change.key != 0 && change.after)
                    (*change.after)[size_t(change.fields.indexOf(keyField))] = change.key;
                placeParent(change, placed);
            }
            if (!writer.write(change))
                continue;
            if (!change.before)
                change.key = file.lastInsertRowId();
            if (planned < 0)
                placed.insert(planned, change.key);
            if (change.after && !storedAsGiven(change)) {
                change.after = ReadStoredRow(file, change.table, change.fields, change.key);
                if (!change.after)
                    throw StoreError::rowChangedElsewhere(file.hasUpstream());
            }
            if (file.isJournaling())
                file.noteChange(change);
            written.push_back(std::move(change));
        }
        tx.commit();
    });
    return written;
}
