#include "FindField.h"

#include "BusyStep.h"
#include "Counted.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "RegisterFile.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QShortcut>
#include <QTimer>
#include <chrono>
#include <thread>

namespace {

// Keystrokes within the typing delay are searched together, while a search
// takes long enough to be felt: the delay is as long as the last search
// took, up to FindDelayMs, so that it never holds a keystroke longer than
// searching would. A register that answers faster than QuickFindMs is
// searched at every keystroke.
constexpr qint64 FindDelayMs = 120;
constexpr qint64 QuickFindMs = 50;

} // namespace

FindField::FindField(Register &reg, ReactionScheduler &work, QLabel *message, QWidget *box, QWidget *list,
                     Narrowed narrowed)
    : QObject(box), m_register(reg), m_work(work), m_message(message), m_list(list), m_narrowed(std::move(narrowed))
{
    m_caption = new QLabel(QStringLiteral("F&ind :"), box);
    m_caption->setObjectName(QStringLiteral("lblFind"));
    m_caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_field = new QLineEdit(box);
    m_field->setObjectName(QStringLiteral("txtFind"));
    m_caption->setBuddy(m_field);

    m_delay = new QTimer(this);
    m_delay->setSingleShot(true);
    m_delay->setInterval(int(FindDelayMs));
    connect(m_field, &QLineEdit::textChanged, m_delay, qOverload<>(&QTimer::start));
    connect(m_delay, &QTimer::timeout, this, [this] { m_work.run([this] { apply(); }); });
    connect(m_field, &QLineEdit::returnPressed, this, [this] {
        m_work.run([this] {
            if (m_delay->isActive())
                apply();
            ::Recordset &listed = m_register.breweries()->Recordset();
            if (!listed.Bof())
                listed.MoveFirst();
            m_list->setFocus();
        });
    });
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_field, nullptr, nullptr, Qt::WidgetShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        m_field->clear();
        m_work.run([this] { apply(); });
    });
    m_action = new QAction(QStringLiteral("&Find"), this);
    m_action->setObjectName(QStringLiteral("actFind"));
    m_action->setShortcut(QKeySequence::Find);
    connect(m_action, &QAction::triggered, this, [this] {
        m_field->setFocus(Qt::ShortcutFocusReason);
        m_field->selectAll();
    });
}

void FindField::prepare()
{
    m_index.prepare(m_register.file());
}

void FindField::waitForIndex()
{
    // After a change the index is read anew beside the window, which stays
    // painted meanwhile and tells how far the reading has come; again when
    // the register changed once more while it was read.
    RegisterFile &file = m_register.file();
    for (m_index.refresh(file); m_index.building(); m_index.refresh(file)) {
        const qint64 rows = m_register.breweries()->unfilteredCount() + m_register.highestChronikKey();
        BusyStep busy(m_message, QStringLiteral("Reading the register for the find"));
        while (m_index.building()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            busy(m_index.rowsRead(), rows);
        }
    }
}

void FindField::applySoon()
{
    m_delay->start();
}

void FindField::apply()
{
    m_delay->stop();
    QElapsedTimer took;
    took.start();
    const QString text = m_field->text();
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    DataSource &breweries = *m_register.breweries();
    ::Recordset &before = breweries.Recordset();
    const qint64 current = before.AbsolutePosition() < 0 ? -1 : before.keyAt(before.AbsolutePosition());

    const bool whole = words.isEmpty() && m_filters.empty();
    if (whole) {
        breweries.setFilter(std::nullopt);
    } else {
        // What other editors of a shared register committed until now is
        // searched too, heard or not yet.
        m_register.catchUp();
        waitForIndex();
        breweries.setFilter(m_index.matching(breweries.file(), words, m_filters));
    }

    ::Recordset &listed = breweries.Recordset();
    if (const int position = current < 0 ? -1 : listed.positionOf(current); position >= 0)
        listed.setAbsolutePosition(position);
    if (listed.RecordCount() == 0 && !whole) {
        m_message->setText(words.isEmpty()
                               ? QStringLiteral("No brewery of %1 passes the filters").arg(breweries.unfilteredCount())
                               : QStringLiteral("No brewery of %1 matches \"%2\"").arg(breweries.unfilteredCount()).arg(text));
    } else if (!whole) {
        m_message->setText(
            QStringLiteral("Found %1 of %2").arg(listed.RecordCount()).arg(CountedBreweries(breweries.unfilteredCount())));
    }
    m_narrowed(whole);
    m_delay->setInterval(took.elapsed() < QuickFindMs ? 0 : int(std::min(took.elapsed(), FindDelayMs)));
}
