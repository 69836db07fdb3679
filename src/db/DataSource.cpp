#include "DataSource.h"

#include "RegisterFile.h"
#include "StoreError.h"

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

RegisterFile &DataSource::file() const
{
    if (!m_file)
        throw StoreError(QStringLiteral("The data source has no open register."));
    return *m_file;
}

void DataSource::Refresh(const Progress &progress)
{
    if (!m_file)
        m_file = RegisterFile::open(m_databaseName,
                                    m_readOnly ? RegisterFile::Access::ReadOnly : RegisterFile::Access::ReadWrite);
    emit aboutToRefresh();
    auto fresh = std::make_unique<::Recordset>(m_file, ParseRecordSource(m_recordSource), progress);
    m_allKeys = fresh->keys();
    m_allSource = m_recordSource;
    m_allVersion = fresh->version();
    m_allChanges = m_file->totalChanges();
    if (m_filter)
        fresh = std::make_unique<::Recordset>(m_file, ParseRecordSource(m_recordSource), filtered(), m_allVersion);
    install(std::move(fresh));
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
    install(std::make_unique<::Recordset>(m_file, ParseRecordSource(m_recordSource),
                                          m_filter ? filtered() : m_allKeys, m_allVersion));
}

void DataSource::includeInFilter(qint64 key)
{
    if (m_filter)
        m_filter->insert(std::upper_bound(m_filter->begin(), m_filter->end(), key), key);
}

std::vector<qint64> DataSource::filtered() const
{
    // One bit a key: a million look-ups in a few milliseconds.
    std::vector<bool> kept(m_filter->empty() ? 0 : size_t(std::max<qint64>(0, m_filter->back())) + 1);
    for (qint64 key : *m_filter) {
        if (key >= 0)
            kept[size_t(key)] = true;
    }
    std::vector<qint64> keys;
    keys.reserve(m_filter->size());
    for (qint64 key : m_allKeys) {
        if (key >= 0 && size_t(key) < kept.size() && kept[size_t(key)])
            keys.push_back(key);
    }
    return keys;
}

void DataSource::install(std::unique_ptr<::Recordset> fresh)
{
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
    QMetaObject::invokeMethod(this, &DataSource::emitCurrentChanged, Qt::QueuedConnection);
}

void DataSource::emitCurrentChanged()
{
    m_currentChangePending = false;
    emit currentChanged();
}
