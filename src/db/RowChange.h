#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

// One row written through a record set, as it stood before the write and
// after it, every field in the table's column order: all that is needed to
// take the write back and to make it again.
struct RowChange {
    using Row = std::vector<QVariant>;

    QString table;
    QStringList fields;
    qint64 key = 0;
    std::optional<Row> before; // none: the write added the row
    std::optional<Row> after;  // none: the write deleted it
};

// The rows one committed group of writes changed, in the order written.
using RowChanges = std::vector<RowChange>;
