#include "Register.h"

#include "Attempt.h"
#include "ChangeHistory.h"
#include "KeptMirror.h"
#include "LikeCriterion.h"
#include "MirrorFolder.h"
#include "PgConnection.h"
#include "RegisterAppender.h"
#include "RegisterBackup.h"
#include "RegisterFile.h"
#include "RegisterIdentity.h"
#include "RegisterLocation.h"
#include "RegisterLock.h"
#include "RegisterSchema.h"
#include "RegisterUndo.h"
#include "SharedAddress.h"
#include "SharedMirror.h"
#include "StoreError.h"
#include "WaitBeside.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <unordered_set>

using namespace RegisterSchema;

namespace {

// How often a window that lost its shared register's server tries again.
constexpr int ReconnectMs = 2000;
// How soon what others committed is looked at again while the window's own
// writes are open.
constexpr int HearAgainMs = 50;
// A backup's copy untouched this long was left by a window that is gone;
// one being written is touched every moment.
constexpr int UnfinishedAfterSeconds = 600;

} // namespace

Register::Register(const QString &path, QObject *parent)
    : QObject(parent), m_place(path), m_filePath(path), m_history(new RegisterUndo(this)), m_breweries(new DataSource(this)),
      m_chroniks(new DataSource(this))
{
    m_breweries->setObjectName(QStringLiteral("dsBrewery"));
    m_chroniks->setObjectName(QStringLiteral("dsBreweryChronik"));
    m_breweries->setQuery({BreweryTable, {}, {}, {}, {}}, BreweryTable);
    m_chroniks->setQuery({ChronikTable, {}, {}, {}, {}}, ChronikTable);
}

Register::~Register()
{
    if (m_mirrorFile)
        m_mirrorFile->setUpstream(nullptr);
    // The kept copy's note follows it to where it was last caught up; a
    // server out of reach leaves the note where it was, which only means
    // more to copy next time.
    if (m_kept && m_mirror && m_mirror->recordsChanges() && m_mirror->hears())
        attempt([&] { m_kept->note(m_mirror->connection(), m_mirror->place()); });
    // A copy for a backup that no window took.
    if (m_openingCopy)
        QFile::remove(m_openingCopy->scratch);
}

void Register::open(const Progress &progress)
{
    if (m_place.isShared()) {
        openShared(progress);
        return;
    }
    m_lock = RegisterLock::tryTake(path(), nullptr, &m_lockProblem);
    if (!m_lock && !QFileInfo::exists(path()))
        throw StoreError(QStringLiteral("Cannot make the register %1: %2.").arg(path(), m_lockProblem));
    for (DataSource *source : {m_breweries, m_chroniks}) {
        source->setReadOnly(!m_lock);
        source->setDatabaseName(path());
    }
    // A register made before registers had an identity gets one now, so
    // that its exports can come back as corrections. One that cannot be
    // read says so when its list is read.
    if (m_lock && QFileInfo::exists(path())) {
        try {
            RegisterIdentity::giveIfMissing(*RegisterFile::open(path()));
        } catch (const StoreError &) {
        }
    }
}

void Register::openShared(const Progress &progress)
{
    const SharedAddress address = m_place.address();
    auto server = std::make_unique<PgConnection>(address, m_passwordPrompt);
    // The window's copy is named as its backups are. It is kept between
    // sessions, unless another window holds the kept one: then it is this
    // session's own.
    const QString copyName = QFileInfo(m_place.localName()).fileName();
    m_kept = KeptMirror::claim(*server, copyName);
    QString copyPath;
    if (m_kept) {
        RemoveAbandonedMirrorFolders();
        copyPath = m_kept->path();
        // A kept copy that no longer opens as a register is made anew.
        if (QFileInfo::exists(copyPath) && attempt([&] { RegisterFile::open(copyPath); })) {
            m_kept->forget();
            m_mirrorNote = QStringLiteral("it could not be opened");
        }
    } else {
        m_mirrorDir = MakeMirrorFolder();
        if (!m_mirrorDir->isValid())
            throw StoreError(QStringLiteral("Cannot open the shared register %1: no room for the window's copy of it (%2).")
                                 .arg(address.displayName(), m_mirrorDir->errorString()));
        copyPath = m_mirrorDir->filePath(copyName);
    }
    auto mirror = std::make_unique<SharedMirror>(std::move(server), copyPath);
    // A large register takes seconds to copy: on a thread of its own, the
    // window repainting and telling how far it has come. A kept copy is
    // caught up with what changed since instead, when it can be.
    std::atomic<qint64> copied = 0, total = 0;
    std::future<void> copying = std::async(std::launch::async, [&] {
        // A server that records no changes has none to catch up with.
        const bool keep = m_kept && mirror->recordsChanges();
        QString why;
        const std::optional<QString> place = keep ? m_kept->resumable(mirror->connection(), why) : std::nullopt;
        if (!place || !mirror->resume(*place, why)) {
            if (!why.isEmpty())
                m_mirrorNote = why;
            mirror->download([&](qint64 done, qint64 all) {
                total = all;
                copied = done;
            });
        }
        if (keep)
            m_kept->note(mirror->connection(), mirror->place());
        // The backup's copy, made while nothing writes the file yet; kept
        // beside the window once it shows the register. The folder holds
        // copies of a server's data: its owner's alone. A copy left by a
        // window that was killed goes; one another window is writing stays.
        QDir().mkpath(UserDataFolder());
        QFile::setPermissions(UserDataFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        RemoveUnfinishedBackups(m_place.localName(), QDateTime::currentDateTime().addSecs(-UnfinishedAfterSeconds));
        m_openingCopy = PlanBackup(m_place.localName(), QDateTime::currentDateTime(), m_openingCopyFailure);
        if (m_openingCopy) {
            m_openingCopyFailure = CopyRegister(*RegisterFile::openReader(mirror->path()), *m_openingCopy);
            if (!m_openingCopyFailure.isEmpty())
                m_openingCopy.reset();
        }
    });
    waitBeside(copying, [&] {
        if (progress)
            progress(copied, std::max<qint64>(total, 1));
    });
    copying.get();
    m_filePath = mirror->path();
    m_mirrorFile = RegisterFile::open(m_filePath);
    // The window's copy is read anew at every opening: what the server
    // holds needs no syncing to disk here.
    m_mirrorFile->exec("PRAGMA synchronous = OFF");
    if (mirror->mayChange()) {
        m_mirrorFile->setUpstream(mirror.get());
    } else {
        m_lockProblem = QStringLiteral("user %1 may read this shared register but not change it").arg(mirror->user());
    }
    m_mirror = std::move(mirror);
    listen();
    // A server that closes idle connections would cut the window off
    // whenever its user pauses: asked for others' changes well before,
    // both connections stay in use.
    if (const qint64 idle = m_mirror->idleLimitMs(); idle > 0) {
        auto *keepAlive = new QTimer(this);
        connect(keepAlive, &QTimer::timeout, this, [this] { catchUp(); });
        keepAlive->start(int(std::clamp<qint64>(idle / 3, 100, 60000)));
    }
    for (DataSource *source : {m_breweries, m_chroniks}) {
        source->setReadOnly(!m_mirror->mayChange());
        source->setDatabaseName(m_filePath);
    }
}

void Register::hearOthers()
{
    // Never copied into a group of the window's own that is still open,
    // which may yet roll back: heard once it has ended.
    if (m_mirrorFile->hasOpenGroup()) {
        m_heard->setEnabled(false);
        later(
            [this] {
                if (!m_heard)
                    return;
                m_heard->setEnabled(true);
                hearOthers();
            },
            HearAgainMs);
        return;
    }
    try {
        // Written as the server has it already: not sent back to it.
        m_mirrorFile->setUpstream(nullptr);
        const auto sendOn = qScopeGuard([this] {
            if (m_mirror->mayChange())
                m_mirrorFile->setUpstream(m_mirror.get());
        });
        const SharedMirror::Arrived arrived = m_mirror->catchUp(*m_mirrorFile);
        // A reader's lists read through a connection of their own, which
        // sees the change as another program's.
        if (arrived.whole || (!m_mirror->mayChange() && (!arrived.breweries.empty() || arrived.history)))
            emit changedElsewhere();
        else if (!arrived.breweries.empty() || arrived.history)
            emit rowsChangedElsewhere(QList<qint64>(arrived.breweries.begin(), arrived.breweries.end()));
        if (m_mirror->hears())
            return;
    } catch (const StoreError &) {
        // Told below, as the connection's loss.
    }
    m_heard->deleteLater();
    m_heard = nullptr;
    emit sharedRegisterLost(QStringLiteral("The connection to the shared register %1 was lost. The window shows the "
                                           "register as it was and connects again as soon as the server answers.")
                                .arg(m_place.shownName()));
    later([this] { listenAgain(); }, ReconnectMs);
}

void Register::catchUp()
{
    if (!m_heard)
        return;
    try {
        m_mirror->awaitAnnounced();
    } catch (const StoreError &) {
        // Told as the connection's loss once heard below.
    }
    betweenSteps([this] {
        if (m_heard)
            hearOthers();
    });
}

void Register::betweenSteps(std::function<void()> work)
{
    if (m_scheduling.betweenSteps)
        m_scheduling.betweenSteps(std::move(work));
    else
        work();
}

void Register::later(std::function<void()> work, int delayMs)
{
    if (m_scheduling.later)
        m_scheduling.later(std::move(work), delayMs);
    else
        QTimer::singleShot(delayMs, this, std::move(work));
}

void Register::listenAgain()
{
    try {
        m_mirror->listenAgain();
    } catch (const StoreError &) {
        later([this] { listenAgain(); }, ReconnectMs);
        return;
    }
    listen();
    emit sharedRegisterBack();
    emit changedElsewhere();
}

void Register::listen()
{
    m_heard = new QSocketNotifier(qintptr(m_mirror->socket()), QSocketNotifier::Read, this);
    connect(m_heard, &QSocketNotifier::activated, this, [this] {
        // Copied into the file between the window's steps, never while one
        // reads it; heard again once copied.
        m_heard->setEnabled(false);
        betweenSteps([this] {
            if (!m_heard)
                return;
            m_heard->setEnabled(true);
            hearOthers();
        });
    });
}

std::optional<UncheckedBackup> Register::takeOpeningCopy(QString &failure)
{
    failure = std::exchange(m_openingCopyFailure, {});
    return std::exchange(m_openingCopy, std::nullopt);
}

void Register::startPageCheck()
{
    // Reading every page of a large register takes longer than opening it:
    // on a reader of its own, beside the window. A register not made yet is
    // sound.
    if (QFileInfo(path()).isFile())
        m_pageCheck = std::async(std::launch::async, [path = path()] {
            return attempt([&] { RegisterFile::openReader(path)->checkPages(); });
        });
}

bool Register::checkingPages() const
{
    return m_pageCheck.valid() && m_pageCheck.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

std::optional<StoreError> Register::pageDamage()
{
    if (!m_pageCheck.valid() || checkingPages())
        return std::nullopt;
    // Any other failure (a file that is no register, a busy one) the
    // window's own reads tell.
    std::optional<StoreError> failure = m_pageCheck.get();
    if (failure && !failure->isDamaged())
        failure.reset();
    return failure;
}

std::optional<QString> Register::readOnlyBecause() const
{
    if (m_place.isShared() ? m_lockProblem.isEmpty() : bool(m_lock))
        return std::nullopt;
    return m_lockProblem;
}

bool Register::followsWhole() const
{
    return m_mirror && !m_mirror->recordsChanges();
}

std::unique_ptr<ChangeHistory> Register::changeHistory()
{
    return m_mirror ? ChangeHistory::ofServer(m_mirror->connection()) : ChangeHistory::ofFile(file());
}

QStringList Register::editorsNow()
{
    return m_mirror ? m_mirror->editorsNow() : QStringList();
}

QString Register::editorName() const
{
    return m_mirror ? m_mirror->user() : ChangeLabel::loginName();
}

bool Register::isWritable() const
{
    return (m_lock || (m_mirror && m_mirror->mayChange())) && m_breweries->hasRecordset() && !file().isReadOnly();
}

void Register::discardLock()
{
    if (m_lock)
        m_lock->discard();
    m_lock.reset();
}

void Register::sortBreweries(const QStringList &fields, const Progress &progress, const QList<bool> &descending)
{
    QStringList keys;
    for (qsizetype i = 0; i < fields.size(); ++i)
        keys << (i < descending.size() && descending.at(i) ? fields.at(i) + QStringLiteral(" DESC") : fields.at(i));
    m_breweries->setRecordsetType(DataSource::Dynaset);
    m_breweries->setQuery({BreweryTable, {}, {}, fields, descending},
                          QStringLiteral("select * from %1 Order By %2").arg(BreweryTable, keys.join(QStringLiteral(", "))));
    m_breweries->Refresh(progress);
}

void Register::setHistoryOrder(const QString &field, bool descending)
{
    m_historyOrder = field;
    m_historyDescending = descending;
}

void Register::showHistoryOf(std::optional<qint64> rowId, HistoryOrder order)
{
    // Key 0 belongs to no brewery: the list is then empty.
    const qint64 parent = rowId.value_or(0);
    RecordSource query{ChronikTable, ChronikParent, parent, {}, {}};
    QString text = QStringLiteral("select * from %1 where %2 = %3").arg(ChronikTable, ChronikParent).arg(parent);
    if (order == HistoryOrder::AsShown) {
        query.orderBy << m_historyOrder;
        query.descending << m_historyDescending;
        // Written, for no brewery, as it has always been shown.
        text += (rowId ? QStringLiteral(" ORDER By ") : QStringLiteral("  ORDER By ")) + m_historyOrder
            + (m_historyDescending ? QStringLiteral(" DESC") : QString());
    }
    m_chroniks->setRecordsetType(DataSource::Dynaset);
    m_chroniks->setQuery(query, text);
    m_chroniks->Reread();
    m_historyOf = rowId.value_or(-1);
}

bool Register::jumpToCity(const QString &prefix, const Progress &progress)
{
    return m_breweries->Recordset().FindFirst(LikeCriterion::startingWith(QStringLiteral("CityName"), prefix),
                                              progress);
}

bool Register::isStale() const
{
    return m_breweries->hasRecordset() && m_breweries->Recordset().isStale();
}

void Register::reread(const Progress &progress)
{
    m_breweries->Reread(progress);
}

void Register::placeBreweries(const QList<qint64> &keys)
{
    m_breweries->placeRows(std::vector<qint64>(keys.begin(), keys.end()));
}

qint64 Register::breweriesStored() const
{
    return RegisterAppender::breweryCount(file());
}

qint64 Register::highestChronikKey()
{
    Cursor highest = m_chroniks->file().cached("SELECT max(rowid) FROM " + ChronikTable.toUtf8());
    return highest.step() ? highest.int64(0) : 0;
}

void Register::readStatesAndYears(const std::function<void(const QString &, const QString &, const QString &)> &visit)
{
    // Unfiltered, the list is the whole table (as the window reads it anew
    // when others changed the register): no need to look each row up.
    const ::Recordset &listed = m_breweries->Recordset();
    const bool filtered = m_breweries->isFiltered();
    std::unordered_set<qint64> keys;
    if (filtered) {
        keys.reserve(size_t(listed.RecordCount()));
        for (int position = 0; position < listed.RecordCount(); ++position)
            keys.insert(listed.keyAt(position));
    }
    Cursor rows = file().cached("SELECT rowid, StateName, StartYear, StopYear FROM " + BreweryTable.toUtf8());
    while (rows.step()) {
        if (!filtered || keys.count(rows.int64(0)))
            visit(rows.text(1), rows.text(2), rows.text(3));
    }
}
