#include "DataSource.h"

#include "RegisterFile.h"
#include "StoreError.h"

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

void DataSource::Refresh()
{
    if (!m_file)
        m_file = RegisterFile::open(m_databaseName,
                                    m_readOnly ? RegisterFile::Access::ReadOnly : RegisterFile::Access::ReadWrite);
    emit aboutToRefresh();
    auto fresh = std::make_unique<::Recordset>(m_file, ParseRecordSource(m_recordSource));
    m_allKeys = fresh->keys();
    m_allSource = m_recordSource;
    m_allVersion = fresh->version();
    m_allChanges = m_file->totalChanges();
    if (m_filter)
        fresh = std::make_unique<::Recordset>(m_file, ParseRecordSource(m_recordSource), filtered(), m_allVersion);
    install(std::move(fresh));
}

void DataSource::setFilter(std::optional<std::unordered_set<qint64>> keep)
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
        m_filter->insert(key);
}

std::vector<qint64> DataSource::filtered() const
{
    std::vector<qint64> kept;
    for (qint64 key : m_allKeys) {
        if (m_filter->count(key))
            kept.push_back(key);
    }
    return kept;
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
