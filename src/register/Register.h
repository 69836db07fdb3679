#pragma once

#include "DataSource.h"
#include "Progress.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class RegisterFile;
class RegisterUndo;

// The register as the windows see it: the brewery list and the history of
// one brewery, as two data sources that grids bind to, and every question
// the windows ask of the register. The windows name fields, never tables,
// and never write a query.
class Register : public QObject {
    Q_OBJECT
public:
    enum class HistoryOrder {
        ByIdCode, // as the history grid shows it
        AsStored, // as the store returns a brewery's entries unordered
    };

    explicit Register(QObject *parent = nullptr);

    // Both lists read the register at `path` from their next refresh on;
    // `readOnly` when this window may not write it.
    void open(const QString &path, bool readOnly);
    DataSource *breweries() const { return m_breweries; }
    DataSource *chroniks() const { return m_chroniks; }
    RegisterFile &file() const { return m_breweries->file(); }
    // The undo history of this window's changes; it records once the
    // window has it follow the register.
    RegisterUndo &history() const { return *m_history; }

    // Orders the brewery list by `fields`, each ascending, the German way;
    // a field may repeat. `progress` hears how far ordering has come.
    void sortBreweries(const QStringList &fields, const Progress &progress = {});
    // The history list shows the entries of brewery `rowId`, or of none.
    // The same brewery's history, read again, keeps its current entry.
    void showHistoryOf(std::optional<qint64> rowId, HistoryOrder order = HistoryOrder::ByIdCode);
    // Makes the first brewery of the list whose city begins with `prefix`
    // current; false when there is none.
    bool jumpToCity(const QString &prefix, const Progress &progress = {});

    // True once another window or program has committed to the register
    // since the brewery list was read.
    bool isStale() const;
    // Reads the brewery list anew; the current brewery stays current where
    // the list still holds it.
    void reread();

    // How many breweries the register holds, found or not.
    qint64 breweriesStored() const;
    // The highest key a history entry has had: how much reading them all
    // will take.
    qint64 highestChronikKey();
    // The state, start year and stop year of every brewery the list shows
    // (found ones only while a find narrows it), read in one pass over the
    // table; a Null field is an empty text.
    void readStatesAndYears(
        const std::function<void(const QString &state, const QString &startYear, const QString &stopYear)> &visit);

private:
    // Made first, so that it goes first: it lets go of the register file
    // while the data sources still hold it open.
    RegisterUndo *m_history;
    DataSource *m_breweries;
    DataSource *m_chroniks;
};
