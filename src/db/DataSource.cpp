#include "DataSource.h"

#include "RegisterFile.h"
#include "Statement.h"
#include "StoreError.h"
#include "StoredRow.h"

#include <QPointer>
#include <algorithm>

DataSource::DataSource(QObject *parent) : QObject(parent) {}

DataSource::~DataSource()
{
    if (m_recordset)
        m_recordset->setListener(nullptr);
}

void DataSource::setDatabaseName(const QString &path)
{
    if (path == m_databaseName)
        return;
    m_databaseName = path;
    m_file.reset();
}

void DataSource::setReadOnly(bool readOnly)
{
    if (readOnly == m_readOnly)
        return;
    m_readOnly = readOnly;
    m_file.reset();
}

void DataSource::setRecordSource(const QString &source)
{
    m_recordSource = source;
    m_query.reset();
}

void DataSource::setQuery(const ::RecordSource &query, const QString &text)
{
    m_recordSource = text;
    m_query = query;
}

const ::RecordSource &DataSource::query()
{
    if (!m_query)
        m_query = ParseRecordSource(m_recordSource);
    return *m_query;
}

std::unique_ptr<::Recordset> DataSource::recordsetOf(std::vector<qint64> keys)
{
    return std::make_unique<::Recordset>(m_file, query(), std::move(keys), Recordset().version());
}

RegisterFile &DataSource::file() const
{
    if (!m_file)
        throw StoreError(QStringLiteral("The data source has no open register."));
    return *m_file;
}

void DataSource::Refresh(const Progress &progress)
{
    query(progress, std::nullopt);
}

void DataSource::Reread(const Progress &progress)
{
    std::optional<qint64> current;
    if (m_recordset && m_recordset->AbsolutePosition() >= 0)
        current = m_recordset->keyAt(m_recordset->AbsolutePosition());
    query(progress, current);
}

void DataSource::placeRows(const std::vector<qint64> &keys)
{
    const bool onlyOurs = m_recordset && m_file && m_allSource == m_recordSource && m_allVersion == m_file->dataVersion()
        && query().whereField.isEmpty();
    // Each row placed costs a pass over the list: many (a replace over a
    // column) are placed sooner by reading the list anew.
    if (!onlyOurs || keys.size() > PlacedAtMost) {
        Reread();
        return;
    }
    std::optional<qint64> current;
    if (m_recordset->AbsolutePosition() >= 0)
        current = m_recordset->keyAt(m_recordset->AbsolutePosition());
    emit aboutToRefresh();
    for (qint64 key : keys) {
        if (const auto at = std::find(m_allKeys.begin(), m_allKeys.end(), key); at != m_allKeys.end())
            m_allKeys.erase(at);
        Cursor stored = m_file->cached("SELECT 1 FROM " + QuotedName(query().table) + " WHERE rowid = ?1");
        stored.bind(1, key);
        if (!stored.step())
            continue;
        const auto place = std::partition_point(m_allKeys.begin(), m_allKeys.end(), [&](qint64 listed) {
            return m_recordset->sortsBefore(listed, key);
        });
        m_allKeys.insert(place, key);
    }
    m_allChanges = m_file->totalChanges();
    install(std::make_unique<::Recordset>(m_file, query(), m_filter ? filtered() : m_allKeys, m_allVersion), current);
}

RegisterFile &DataSource::openFile()
{
    if (!m_file)
        m_file = RegisterFile::open(m_databaseName,
                                    m_readOnly ? RegisterFile::Access::ReadOnly : RegisterFile::Access::ReadWrite);
    return *m_file;
}

void DataSource::query(const Progress &progress, std::optional<qint64> keepCurrent)
{
    openFile();
    emit aboutToRefresh();
    // A list read from its start, in a window that repaints meanwhile,
    // shows its first screen while the rest of a long order is worked out;
    // a list kept on its current row, or narrowed, waits for the whole.
    FirstRows preview;
    if (progress && !keepCurrent && !m_filter) {
        preview = [this](std::vector<qint64> first) {
            install(std::make_unique<::Recordset>(m_file, query(), std::move(first), m_file->dataVersion()));
        };
    }
    auto fresh = std::make_unique<::Recordset>(m_file, query(), progress, preview);
    m_allKeys = fresh->keys();
    m_allSource = m_recordSource;
    m_allVersion = fresh->version();
    m_allChanges = m_file->totalChanges();
    if (m_filter)
        fresh = std::make_unique<::Recordset>(m_file, query(), filtered(), m_allVersion);
    install(std::move(fresh), keepCurrent);
}

void DataSource::setFilter(std::optional<std::vector<qint64>> keep)
{
    m_filter = std::move(keep);
    // A held-back new row is stored first: it belongs to the list.
    if (m_file)
        emit aboutToRefresh();
    const bool unchanged = m_file && m_allSource == m_recordSource && m_allChanges == m_file->totalChanges()
        && m_allVersion == m_file->dataVersion();
    if (!unchanged) {
        Refresh();
        return;
    }
    install(std::make_unique<::Recordset>(m_file, query(), m_filter ? filtered() : m_allKeys, m_allVersion));
}

void DataSource::includeInFilter(qint64 key)
{
    if (!m_filter)
        return;
    if (const auto at = std::lower_bound(m_filter->begin(), m_filter->end(), key); at == m_filter->end() || *at != key)
        m_filter->insert(at, key);
}

std::vector<qint64> DataSource::filtered() const
{
    std::vector<qint64> keys;
    const std::vector<qint64> &keep = *m_filter;
    if (keep.empty())
        return keys;
    keys.reserve(keep.size());
    // Keys may be any 64-bit integers. Where the kept ones lie close
    // together, one bit a key from the lowest: a million look-ups in a few
    // milliseconds; otherwise a binary search each.
    const quint64 span = quint64(keep.back()) - quint64(keep.front());
    if (span < 64 * quint64(std::max(keep.size(), m_allKeys.size()))) {
        std::vector<bool> kept(size_t(span) + 1);
        for (qint64 key : keep)
            kept[size_t(quint64(key) - quint64(keep.front()))] = true;
        for (qint64 key : m_allKeys) {
            if (key >= keep.front() && key <= keep.back() && kept[size_t(quint64(key) - quint64(keep.front()))])
                keys.push_back(key);
        }
    } else {
        for (qint64 key : m_allKeys) {
            if (std::binary_search(keep.begin(), keep.end(), key))
                keys.push_back(key);
        }
    }
    return keys;
}

void DataSource::install(std::unique_ptr<::Recordset> fresh, std::optional<qint64> keepCurrent)
{
    // Placed before anyone hears of the new record set, so that a grid puts
    // its cursor straight onto the row that stays current.
    if (const int kept = keepCurrent ? fresh->positionOf(*keepCurrent) : -1; kept >= 0)
        fresh->setAbsolutePosition(kept);
    if (m_recordset)
        m_recordset->setListener(nullptr);
    m_recordset = std::move(fresh);
    m_recordset->setListener(this);
    emit recordsetReplaced();
    currentMoved();
}

::Recordset &DataSource::Recordset() const
{
    if (!m_recordset)
        throw StoreError(QStringLiteral("The data source has no record set yet."));
    return *m_recordset;
}

void DataSource::currentMoved()
{
    if (m_currentChangePending)
        return;
    m_currentChangePending = true;
    if (m_deliverLater) {
        m_deliverLater([source = QPointer(this)] {
            if (source)
                source->emitCurrentChanged();
        });
        return;
    }
    QMetaObject::invokeMethod(this, &DataSource::emitCurrentChanged, Qt::QueuedConnection);
}

void DataSource::emitCurrentChanged()
{
    m_currentChangePending = false;
    emit currentChanged();
}
