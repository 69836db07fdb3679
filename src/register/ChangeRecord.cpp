#include "ChangeRecord.h"

#include "PgConnection.h"

#include <QStringList>

namespace {

// More keys than this at once are copied as whole tables: one read of all
// rows is then the shorter way.
constexpr int MostKeys = 10000;

} // namespace

void ChangeRecord::startWith(PgConnection &server)
{
    read(server);
    taken();
}

ChangeRecord::Changes ChangeRecord::read(PgConnection &server)
{
    // One statement, one moment: the oldest running transaction and what
    // had been committed then.
    const PgResult rows = server.exec(
        "SELECT pg_snapshot_xmin(pg_current_snapshot())::text, c.\"Seq\", c.\"TableName\", c.\"RowKey\", "
        "c.\"Xid\"::text FROM (SELECT 1) AS moment LEFT JOIN sudregister_changes c ON c.\"Xid\" >= $1::xid8",
        {m_place.fromXid}, QStringLiteral("Could not read what changed in the shared register"));
    Changes changes;
    m_next = {rows.text(0, 0), {}};
    const quint64 from = m_next.fromXid.toULongLong();
    int keys = 0;
    for (int row = 0; row < rows.rows(); ++row) {
        if (rows.isNull(row, 1))
            continue;
        const qint64 seq = rows.int64(row, 1);
        if (rows.text(row, 4).toULongLong() >= from)
            m_next.read.insert(seq);
        if (m_place.read.contains(seq))
            continue;
        if (rows.isNull(row, 3))
            changes.whole = true;
        else if (++keys <= MostKeys)
            changes.keys[rows.text(row, 2)].insert(rows.int64(row, 3));
    }
    if (keys > MostKeys)
        changes.whole = true;
    if (changes.whole)
        changes.keys.clear();
    return changes;
}

void ChangeRecord::taken()
{
    m_place = std::move(m_next);
    m_next = {};
}

QString ChangeRecord::place() const
{
    QStringList seqs;
    for (qint64 seq : m_place.read)
        seqs << QString::number(seq);
    return m_place.fromXid + QLatin1Char(':') + seqs.join(QLatin1Char(','));
}

bool ChangeRecord::resumeAt(const QString &place)
{
    const qsizetype colon = place.indexOf(QLatin1Char(':'));
    bool number = false;
    place.left(colon).toULongLong(&number);
    if (colon < 0 || !number)
        return false;
    Place resumed{place.left(colon), {}};
    for (const QString &seq : place.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        resumed.read.insert(seq.toLongLong(&number));
        if (!number)
            return false;
    }
    m_place = std::move(resumed);
    m_next = {};
    return true;
}
