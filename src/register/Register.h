#pragma once

#include "DataSource.h"
#include "PasswordPrompt.h"
#include "Progress.h"
#include "RegisterBackup.h"
#include "RegisterPlace.h"
#include "StoreError.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <future>
#include <memory>
#include <optional>

class ChangeHistory;
class KeptMirror;
class QSocketNotifier;
class QTemporaryDir;
class RegisterFile;
class RegisterLock;
class RegisterUndo;
class SharedMirror;

// The register as the windows see it: the brewery list and the history of
// one brewery, as two data sources that grids bind to, and every question
// the windows ask of the register. The windows name fields, never tables,
// and never write a query.
class Register : public QObject {
    Q_OBJECT
public:
    enum class HistoryOrder {
        AsShown, // as the history grid shows it (setHistoryOrder)
        AsStored, // as the store returns a brewery's entries unordered
    };

    // The register at `path`, opened by open(): a register file, or a shared
    // register's address ("postgresql://…").
    explicit Register(const QString &path, QObject *parent = nullptr);
    ~Register() override;

    // Both lists read the register from their next refresh on.
    // A register open in another window is shown, not changed: two windows
    // writing one register would undo each other's work. One whose lock
    // cannot be taken is read-only too. Throws StoreError when a register
    // not made yet cannot be made, since it could not be read either.
    // A shared register is read into a file of the window's own, which
    // every write passes on to the server first; its lock is the server's
    // row check, and a user who may only read it reads it read-only.
    // `progress` hears how far copying a shared register has come.
    void open(const Progress &progress = {});
    // Asked for the password of a shared register when libpq's own means
    // do not give it.
    void setPasswordPrompt(PasswordPrompt prompt) { m_passwordPrompt = std::move(prompt); }
    bool isShared() const { return bool(m_mirror); }
    // How the register's own deferred work runs: what a shared register
    // heard from other editors between the window's steps (copying it into
    // the file while a step reads the file would change what the step works
    // on), and a connection tried again after a delay. Without, at once and
    // on a timer of the register's own.
    struct Scheduling {
        std::function<void(std::function<void()>)> betweenSteps;
        std::function<void(std::function<void()>, int delayMs)> later;
    };
    void setScheduling(Scheduling scheduling) { m_scheduling = std::move(scheduling); }
    // The register file the window reads: the register's own, or a shared
    // register's copy.
    const QString &filePath() const { return m_filePath; }
    // Where the register lives: its kind, its names, the folders named
    // after it.
    const RegisterPlace &place() const { return m_place; }
    // The copy of a shared register made as it was read, for a backup, once;
    // none when it could not be made, and then `failure` says why.
    std::optional<UncheckedBackup> takeOpeningCopy(QString &failure);
    // Checks every page of the file on a reader of its own, beside the
    // window, which is open by then. pageDamage() is none while it runs or
    // when it found nothing; else the damage, once.
    void startPageCheck();
    bool checkingPages() const;
    std::optional<StoreError> pageDamage();
    // As opened: the register file's path, or the shared register's address.
    const QString &path() const { return m_place.opened(); }
    // Whether this window holds the register's lock, and why not when not.
    bool holdsLock() const { return bool(m_lock); }
    const QString &lockProblem() const { return m_lockProblem; }
    // Why a shared register's copy kept from the last session was made
    // anew at opening; empty when it was caught up, or there was none.
    const QString &mirrorNote() const { return m_mirrorNote; }
    // Why the window may not change the register, as far as its lock or the
    // server's rights tell (an editor of a shared register holds no lock,
    // and needs none); none when it may.
    std::optional<QString> readOnlyBecause() const;
    // A shared register whose server does not record its changes: the
    // window copies it whole whenever woken, and says so.
    bool followsWhole() const;
    // Holds the lock and may write the file.
    bool isWritable() const;
    // Who changed what: the register file's own log, or the log a shared
    // register's server keeps.
    std::unique_ptr<ChangeHistory> changeHistory();
    // The users whose windows are open on a shared register now, by name;
    // none for a register file. Throws StoreError.
    QStringList editorsNow();
    // The name this window's changes are recorded under: the server's
    // name for the user of a shared register, the login name on a file.
    QString editorName() const;
    // For a file found to be no register: the lock files made for it go.
    void discardLock();
    DataSource *breweries() const { return m_breweries; }
    DataSource *chroniks() const { return m_chroniks; }
    RegisterFile &file() const { return m_breweries->file(); }
    // The undo history of this window's changes; it records once the
    // window has it follow the register.
    RegisterUndo &history() const { return *m_history; }

    // Orders the brewery list by `fields` the German way, each ascending
    // unless `descending` marks it; a field may repeat. `progress` hears how
    // far ordering has come.
    void sortBreweries(const QStringList &fields, const Progress &progress = {}, const QList<bool> &descending = {});
    // Orders the history list by `field`, the German way, either way; by
    // IdCode, ascending, until told otherwise.
    void setHistoryOrder(const QString &field, bool descending);
    const QString &historyOrderField() const { return m_historyOrder; }
    bool historyDescending() const { return m_historyDescending; }
    // The history list shows the entries of brewery `rowId`, or of none.
    // The same brewery's history, read again, keeps its current entry.
    void showHistoryOf(std::optional<qint64> rowId, HistoryOrder order = HistoryOrder::AsShown);
    // The brewery whose history the history list shows; -1 for none.
    qint64 historyShownFor() const { return m_historyOf; }
    // Makes the first brewery of the list whose city begins with `prefix`
    // current; false when there is none.
    bool jumpToCity(const QString &prefix, const Progress &progress = {});

    // True once another window or program has committed to the register
    // since the brewery list was read.
    bool isStale() const;
    // Copies into the window's file what other editors committed to a
    // shared register until now, heard or not yet; between the window's
    // steps, as what is heard is.
    void catchUp();
    // Reads the brewery list anew; the current brewery stays current where
    // the list still holds it.
    void reread(const Progress &progress = {});
    // The same after this window or another editor changed the breweries
    // with `keys` (an undo, a redo, a replace): only they move in the list,
    // or leave or join it.
    void placeBreweries(const QList<qint64> &keys);

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

signals:
    // Another editor's commit to the shared register is in the window's
    // file now: the lists are to be read anew.
    void changedElsewhere();
    // Another editor changed the breweries with `keys` (and maybe history
    // entries): they are in the window's file now, to be placed by key.
    void rowsChangedElsewhere(const QList<qint64> &keys);
    // The shared register's server can no longer be heard.
    void sharedRegisterLost(const QString &message);
    // The shared register's server answers again after it was lost.
    void sharedRegisterBack();

private:
    void openShared(const Progress &progress);
    // Watches for the server's announcements.
    void listen();
    void hearOthers();
    // Runs `work` at once, or once the window's running step has ended.
    void betweenSteps(std::function<void()> work);
    // Runs `work` after `delayMs`.
    void later(std::function<void()> work, int delayMs);
    void listenAgain();

    RegisterPlace m_place;
    QString m_filePath;
    PasswordPrompt m_passwordPrompt;
    std::unique_ptr<QTemporaryDir> m_mirrorDir;
    std::unique_ptr<KeptMirror> m_kept;
    QString m_mirrorNote;
    std::unique_ptr<SharedMirror> m_mirror;
    // Held, so that the data sources share the connection that sends on.
    std::shared_ptr<RegisterFile> m_mirrorFile;
    std::optional<UncheckedBackup> m_openingCopy;
    QString m_openingCopyFailure;
    QSocketNotifier *m_heard = nullptr;
    Scheduling m_scheduling;
    std::unique_ptr<RegisterLock> m_lock;
    std::future<std::optional<StoreError>> m_pageCheck;
    QString m_lockProblem;
    qint64 m_historyOf = -1;
    QString m_historyOrder = QStringLiteral("IdCode");
    bool m_historyDescending = false;
    // Made first, so that it goes first: it lets go of the register file
    // while the data sources still hold it open.
    RegisterUndo *m_history;
    DataSource *m_breweries;
    DataSource *m_chroniks;
};
