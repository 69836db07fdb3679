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
        m_file = RegisterFile::open(m_databaseName, m_readOnly ? RegisterFile::Access::ReadOnly : RegisterFile::Access::ReadWrite);
    emit aboutToRefresh();
    auto fresh = std::make_unique<::Recordset>(m_file, ParseRecordSource(m_recordSource));
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
