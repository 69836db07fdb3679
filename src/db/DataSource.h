#pragma once

#include "Recordset.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class RegisterFile;

// A named connection to one table or query of the register, with a record
// set that has a current record. Grids bind to it and follow its signals.
class DataSource : public QObject, private RecordsetListener {
    Q_OBJECT
public:
    static constexpr int Dynaset = 1;

    explicit DataSource(QObject *parent = nullptr);
    ~DataSource() override;

    const QString &DatabaseName() const { return m_databaseName; }
    void setDatabaseName(const QString &path);
    // Opens the register for reading only (another window has it open).
    void setReadOnly(bool readOnly);
    int RecordsetType() const { return m_recordsetType; }
    void setRecordsetType(int type) { m_recordsetType = type; }
    const QString &RecordSource() const { return m_recordSource; }
    // A query text, read into its typed form when the source next runs.
    void setRecordSource(const QString &source);
    // The query in its typed form, as the register service gives it, with
    // the text RecordSource() reports; nothing is parsed.
    void setQuery(const ::RecordSource &query, const QString &text);

    // Runs the record source anew; the new record set stands on its first
    // record. Opens the register on first use. `progress` hears how far
    // ordering a whole table has come; meanwhile a record set of the first
    // rows alone stands in for the whole as soon as they are known.
    void Refresh(const Progress &progress = {});
    // Runs the record source anew like Refresh, but the current record
    // stays current where the new record set still holds it.
    void Reread(const Progress &progress = {});
    // The same after this window changed the rows with `keys`, and nobody
    // else the register: each row goes where the order wants it as it is
    // stored now, or leaves the list when it is gone, found by a binary
    // search instead of ordering the whole table again. Otherwise (another
    // program wrote, the source selects rows, or more than PlacedAtMost rows
    // changed) it is Reread().
    static constexpr size_t PlacedAtMost = 256;
    void placeRows(const std::vector<qint64> &keys);
    // Shows only the records whose keys are in `keep` (ascending), in the
    // record source's order; nullopt shows all again. Every later Refresh keeps
    // the filter. Takes effect at once, without running the query again
    // while the register has not changed since it last ran.
    void setFilter(std::optional<std::vector<qint64>> keep);
    bool isFiltered() const { return m_filter.has_value(); }
    // Keeps a record added while filtered in the list through later
    // refreshes.
    void includeInFilter(qint64 key);
    // Records the record source holds without a filter, as last queried.
    int unfilteredCount() const { return int(m_allKeys.size()); }
    // The current record set; throws when the source was never refreshed.
    ::Recordset &Recordset() const;
    bool hasRecordset() const { return bool(m_recordset); }
    // A record set of the records with `keys` of the source's table, for a
    // write to a record the list no longer shows; runs no query.
    std::unique_ptr<::Recordset> recordsetOf(std::vector<qint64> keys);
    RegisterFile &file() const;
    // Opens the register file now, before a list is read: for a step that
    // writes without one (a command line's).
    RegisterFile &openFile();
    // How currentChanged is delivered once control returns to the event
    // loop: through the window's scheduler, which knows when the window may
    // react; queued on the event loop when not set.
    void setDeliverLater(std::function<void(std::function<void()>)> deliver) { m_deliverLater = std::move(deliver); }

    // The row signals below have the listener's signatures, so the record
    // set's calls become these signals directly.
signals:
    // Raised before a refresh replaces the record set, so that a grid can
    // store a row it holds back.
    void aboutToRefresh();
    void recordsetReplaced();
    void rowAboutToBeRemoved(int position);
    void rowRemoved(int position);
    void rowAppended(int position);
    void rowChanged(int position);
    // The current record changed. Raised once after a run of moves, when
    // control returns to the event loop, so that a walk over 100,000 rows
    // costs its followers one update, not 100,000.
    void currentChanged();

private:
    void currentMoved() override;
    void query(const Progress &progress, std::optional<qint64> keepCurrent);
    void install(std::unique_ptr<::Recordset> fresh, std::optional<qint64> keepCurrent = std::nullopt);
    std::vector<qint64> filtered() const;
    const ::RecordSource &query();
    void emitCurrentChanged();

    QString m_databaseName;
    int m_recordsetType = Dynaset;
    QString m_recordSource;
    std::optional<::RecordSource> m_query; // the record source, typed
    bool m_readOnly = false;
    std::shared_ptr<RegisterFile> m_file;
    std::unique_ptr<::Recordset> m_recordset;
    std::optional<std::vector<qint64>> m_filter; // ascending
    // The whole result of the last query, and the state it was read in.
    std::vector<qint64> m_allKeys;
    QString m_allSource;
    qint64 m_allVersion = -1;
    qint64 m_allChanges = -1;
    bool m_currentChangePending = false;
    std::function<void(std::function<void()>)> m_deliverLater;
};
