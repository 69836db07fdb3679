#include "MenuHistory.h"

#include "ChangeHistory.h"
#include "DataGrid.h"
#include "GroupWrite.h"
#include "HistoryWindow.h"
#include "LogRestore.h"
#include "MessageBoxes.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "RegisterBackup.h"
#include "RegisterPlace.h"
#include "RegisterSchema.h"
#include "RegisterSync.h"
#include "ShownValue.h"
#include "StoreError.h"

#include <QAction>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace {

QString sizeInWords(const ChangeHistory::Size &size)
{
    if (size.entries == 0)
        return QStringLiteral("History: no changes recorded yet.");
    QString text = QStringLiteral("History: %1 changed rows since %2")
                       .arg(QLocale::c().toString(size.entries))
                       .arg(size.oldest.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")));
    if (size.bytes >= 0)
        text += QStringLiteral(", %1 MB").arg(double(size.bytes) / 1e6, 0, 'f', 1);
    return text + QLatin1Char('.');
}

std::optional<QDate> askDate(QWidget *parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Compact History"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(QStringLiteral("Drop the history of changes made before this day. A backup of the "
                                            "register, history and all, is made first."),
                             &dialog);
    label->setWordWrap(true);
    auto *date = new QDateEdit(QDate::currentDate().addYears(-1), &dialog);
    date->setCalendarPopup(true);
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(label);
    layout->addWidget(date);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return date->date();
}

} // namespace

MenuHistory::MenuHistory(Window window)
    : QObject(&window.breweries), m_window(std::move(window)),
      m_brewery(new QAction(QStringLiteral("&History of Brewery"), &m_window.breweries)),
      m_register(new QAction(QStringLiteral("Re&gister History…"), &m_window.breweries)),
      m_compact(new QAction(QStringLiteral("Compact &History…"), &m_window.breweries)),
      m_editors(new QAction(QStringLiteral("&Who Is Working Now"), &m_window.breweries))
{
    m_brewery->setObjectName(QStringLiteral("actBreweryHistory"));
    m_brewery->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+H")));
    m_brewery->setShortcutContext(Qt::WindowShortcut);
    m_register->setObjectName(QStringLiteral("actRegisterHistory"));
    m_compact->setObjectName(QStringLiteral("actCompactHistory"));
    m_editors->setObjectName(QStringLiteral("actEditorsNow"));
    m_editors->setVisible(m_window.reg.isShared());
    // The grid holds the key, so that it works without the menu bar, and
    // goes with the register's window.
    m_window.breweries.addAction(m_brewery);
    askCompactBefore = [this] { return askDate(m_window.breweries.window()); };

    connect(m_brewery, &QAction::triggered, this, [this] { m_window.work.run([this] { showBreweryHistory(); }); });
    connect(m_register, &QAction::triggered, this, [this] { m_window.work.run([this] { showRegisterHistory(); }); });
    connect(m_compact, &QAction::triggered, this, [this] { m_window.work.run([this] { compact(); }); });
    connect(m_editors, &QAction::triggered, this, [this] {
        m_window.work.run([this] {
            const QStringList names = m_window.reg.editorsNow();
            m_window.work.boxes()->tell(QStringLiteral("Working on %1 now: %2.")
                                            .arg(m_window.reg.place().shownName(), names.join(QStringLiteral(", "))));
        });
    });
    connect(&m_window.reg, &Register::rowsChangedElsewhere, this,
            [this](const QList<qint64> &keys) { m_window.work.run([this, keys] { tellHeard(keys); }); });
}

HistoryWindow *MenuHistory::showBreweryHistory()
{
    m_window.storePendingEdits();
    ::Recordset &listed = m_window.reg.breweries()->Recordset();
    const int current = listed.AbsolutePosition();
    if (current < 0) {
        m_window.work.boxes()->tell(QStringLiteral("Choose a brewery in the list first; its history of changes is "
                                                   "shown then."));
        return nullptr;
    }
    const QString name = listed.Fields(QStringLiteral("BreweryName")).Value().toString();
    const QString city = listed.Fields(QStringLiteral("CityName")).Value().toString();
    return open(listed.keyAt(current), QStringLiteral("History of %1 (%2)").arg(name, city));
}

HistoryWindow *MenuHistory::showRegisterHistory()
{
    m_window.storePendingEdits();
    return open(std::nullopt, QStringLiteral("History of the register %1").arg(m_window.reg.place().shownName()));
}

HistoryWindow *MenuHistory::open(std::optional<qint64> brewery, const QString &title)
{
    QList<HistoryWindow::Field> fields;
    if (!brewery) {
        QStringList seen;
        for (const QString &table : {RegisterSchema::BreweryTable, RegisterSchema::ChronikTable}) {
            const QStringList names =
                table == RegisterSchema::BreweryTable ? RegisterSchema::BreweryFields : RegisterSchema::ChronikFields;
            for (const QString &name : names) {
                if (seen.contains(name))
                    continue;
                seen << name;
                const QString caption = m_window.caption(table, name);
                fields.append({name, caption.isEmpty() ? name : caption});
            }
        }
    }
    // A window of its own, but one that goes with the register's: it reads
    // that register's connection.
    auto *window = new HistoryWindow(m_window.reg.changeHistory(), m_window.caption, brewery, title, fields,
                                     m_window.work.boxes(), &m_window.breweries);
    if (m_window.reg.isWritable())
        window->restore = [this, window](const LogEntry &entry, const QString &field) {
            m_window.work.run([this, window, entry, field] { restore(*window, entry, field); });
        };
    if (!window->reload()) {
        window->deleteLater();
        return nullptr;
    }
    window->show();
    return window;
}

void MenuHistory::restore(HistoryWindow &window, const LogEntry &entry, const QString &field)
{
    m_window.storePendingEdits();
    const QString caption = m_window.caption(entry.table, field);
    RowChanges written;
    try {
        written = WriteGroup(m_window.reg, PlanRestore(m_window.reg.file(), entry, field),
                             QStringLiteral("restore of %1").arg(caption.isEmpty() ? field : caption));
    } catch (const StoreError &e) {
        if (!e.isRowChangedElsewhere() && !e.isConstraint() && e.component() != QLatin1String("History"))
            throw;
        m_window.work.boxes()->tell(
            QStringLiteral("Nothing was restored: %1")
                .arg(e.isConstraint() ? QStringLiteral("the brewery of this history entry no longer exists.")
                                      : e.message()));
        return;
    }
    QList<qint64> breweries{entry.breweryKey};
    m_window.sync.placeBreweries(breweries);
    m_window.message->setText(written.empty() ? QStringLiteral("The value stands as it was already.")
                                              : QStringLiteral("Restored %1; Undo takes it back.")
                                                    .arg(caption.isEmpty() ? field : caption));
    window.reload();
}

void MenuHistory::compact()
{
    m_window.storePendingEdits();
    const std::unique_ptr<ChangeHistory> history = m_window.reg.changeHistory();
    if (!history->mayCompact()) {
        m_window.work.boxes()->tell(m_window.reg.isShared()
                                        ? QStringLiteral("The history of a shared register is kept by its server; "
                                                         "only its administrator can shorten it.")
                                        : QStringLiteral("The register %1 is open read-only; its history stays as "
                                                         "it is.")
                                              .arg(m_window.reg.place().shownName()));
        return;
    }
    const std::optional<QDate> before = askCompactBefore();
    if (!before)
        return;
    // A backup whatever the tables hold: one whose tables match the newest
    // would be skipped, and with it the history about to go.
    // Backups are named by the second: one made this second already (at
    // opening) is no reason to refuse, the next second's name is used.
    QString failure;
    std::optional<UncheckedBackup> copy;
    const QDateTime now = QDateTime::currentDateTime();
    for (int later = 0; !copy && failure.isEmpty() && later < 3; ++later)
        copy = PlanBackup(m_window.reg.filePath(), now.addSecs(later), failure);
    if (copy && failure.isEmpty())
        failure = CopyRegister(m_window.reg.file(), *copy);
    if (!copy && failure.isEmpty())
        failure = QStringLiteral("backups were made in each of the last seconds; try again");
    const BackupResult backup = copy && failure.isEmpty() ? KeepIfSound(*copy, 10) : BackupResult{{}, failure};
    if (backup.made.isEmpty()) {
        m_window.work.boxes()->tell(
            QStringLiteral("The history was left as it is: no backup could be made first (%1).").arg(backup.failure));
        return;
    }
    const qint64 dropped = history->compact(before->startOfDay());
    m_window.message->setText(QStringLiteral("Dropped %1 recorded changes made before %2; the backup %3 holds them.")
                                  .arg(QLocale::c().toString(dropped), before->toString(QStringLiteral("yyyy-MM-dd")),
                                       QDir::toNativeSeparators(backup.made)));
}

QString MenuHistory::sizeText()
{
    try {
        const std::unique_ptr<ChangeHistory> history = m_window.reg.changeHistory();
        if (!history->kept())
            return QStringLiteral("History: not kept by this register's server.");
        return sizeInWords(history->size());
    } catch (const StoreError &e) {
        return QStringLiteral("History: %1").arg(e.message());
    }
}

void MenuHistory::tellHeard(const QList<qint64> &breweries)
{
    if (breweries.isEmpty())
        return;
    LogFilter filter;
    filter.brewery = breweries.first();
    const std::vector<LogEntry> newest = m_window.reg.changeHistory()->read(filter, 0, 1);
    if (newest.empty() || newest.front().who == m_window.reg.editorName())
        return;
    const LogEntry &entry = newest.front();
    QString what;
    if (entry.kind == LogEntry::Kind::Changed && !entry.fields.empty()) {
        const LogEntry::Field &field = entry.fields.front();
        what = QStringLiteral("%1 \u2192 %2").arg(ShownValue(field.before.value_or(QVariant())),
                                                 ShownValue(field.after.value_or(QVariant())));
    } else {
        what = entry.kind == LogEntry::Kind::Added ? QStringLiteral("added") : QStringLiteral("deleted");
        what = QStringLiteral("brewery %1 %2").arg(entry.breweryKey).arg(what);
    }
    m_window.message->setText(QStringLiteral("%1, by %2, %3")
                                  .arg(what, entry.who, entry.at.toLocalTime().toString(QStringLiteral("HH:mm"))));
}
