#include "ReactionScheduler.h"

#include "Attempt.h"
#include "BusyStep.h"
#include "MessageBoxes.h"
#include "StoreError.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

namespace {

// How often the lists try again while another program holds the register.
constexpr int BusyRetryMs = 1000;
// How long the window must have had no input before a re-read runs: the
// click that activates a window arrives just after the activation.
constexpr int InputQuietMs = 100;

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

} // namespace

ReactionScheduler::ReactionScheduler(std::shared_ptr<MessageBoxes> boxes, QWidget *window)
    : QObject(window), m_boxes(std::move(boxes)), m_window(window), m_busyRetry(new QTimer(this)),
      m_inputQuiet(new QTimer(this))
{
    m_busyRetry->setSingleShot(true);
    m_busyRetry->setInterval(BusyRetryMs);
    connect(m_busyRetry, &QTimer::timeout, this, [this] { later([this] { retryAfterBusy(); }); });
    m_inputQuiet->setSingleShot(true);
    connect(m_inputQuiet, &QTimer::timeout, this, &ReactionScheduler::runAfterInput);
    qApp->installEventFilter(this);
}

ReactionScheduler::~ReactionScheduler()
{
    end();
}

void ReactionScheduler::end()
{
    *m_open = false;
    m_busyRetry->stop();
    m_inputQuiet->stop();
    m_afterInput = nullptr;
    qApp->removeEventFilter(this);
}

bool ReactionScheduler::run(const std::function<void()> &reaction, Telling telling)
{
    if (hasEnded())
        return false;
    // A step that lets the window repaint (a sort, the loading) lets queued
    // reactions through too: they run once it has ended.
    if (BusyStep::running()) {
        BusyStep::whenIdle(this, [this, reaction, telling] { run(reaction, telling); });
        return false;
    }
    const std::optional<StoreError> failure = attempt(reaction);
    if (failure)
        failed(*failure, telling);
    return !failure;
}

void ReactionScheduler::later(std::function<void()> reaction, int delayMs)
{
    if (hasEnded())
        return;
    QTimer::singleShot(delayMs, this, [this, reaction = std::move(reaction)] { run(reaction); });
}

void ReactionScheduler::afterInput(std::function<void()> reread)
{
    if (hasEnded())
        return;
    m_afterInput = std::move(reread);
    m_inputQuiet->start(InputQuietMs);
}

bool ReactionScheduler::eventFilter(QObject *watched, QEvent *event)
{
    // Input to this window while a re-read waits puts it off again.
    if (m_afterInput && isInput(event->type()) && watched->isWidgetType() && m_window
        && static_cast<QWidget *>(watched)->window() == m_window->window())
        m_inputQuiet->start(InputQuietMs);
    return QObject::eventFilter(watched, event);
}

void ReactionScheduler::runAfterInput()
{
    // A button still held is a click or a drag not yet handled.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        m_inputQuiet->start(InputQuietMs);
        return;
    }
    std::function<void()> reread = std::exchange(m_afterInput, nullptr);
    if (!reread || hasEnded())
        return;
    if (BusyStep::running()) {
        BusyStep::whenIdle(this, [this, reread] { afterInput(reread); });
        return;
    }
    // Nobody asked for this re-read: a register another program holds
    // is read once it is free, without a word.
    const std::optional<StoreError> failure = attempt(reread);
    if (failure && failure->isBusy()) {
        m_afterInput = reread;
        m_inputQuiet->start(BusyRetryMs);
    } else if (failure) {
        failed(*failure);
    }
}

void ReactionScheduler::failed(const StoreError &error, Telling telling)
{
    if (error.isPassing()) {
        busy(error, telling);
        return;
    }
    if (m_boxes)
        m_boxes->critical(error.message(), ProgramTitle);
    if (error.isFileGone() && m_recovery.fileGone && !hasEnded())
        m_recovery.fileGone(error);
    if (m_recovering || hasEnded())
        return;
    // The store left the file as it was; the lists are read again.
    m_recovering = true;
    if (m_recovery.readAgain) {
        if (const std::optional<StoreError> again = attempt(m_recovery.readAgain); again && m_boxes)
            m_boxes->critical(again->message(), ProgramTitle);
    }
    // A row changed or deleted elsewhere: the whole list is read anew, once
    // the step that failed has finished.
    if (error.isRowChangedElsewhere() && m_recovery.rereadAll)
        later(m_recovery.rereadAll);
    m_recovering = false;
    if (m_recovery.repaint)
        m_recovery.repaint();
}

void ReactionScheduler::connectionLost(const QString &message)
{
    if (m_boxes && !std::exchange(m_connectionLostTold, true))
        m_boxes->tell(message);
}

void ReactionScheduler::stepLostConnection(const QString &message)
{
    m_connectionLostTold = true;
    if (m_boxes)
        m_boxes->critical(message, ProgramTitle);
}

void ReactionScheduler::busy(const StoreError &error, Telling telling)
{
    // Reading again at once would only wait for the other program again: the
    // lists are read once it is free.
    if (error.isConnectionLost()) {
        if (m_boxes && !std::exchange(m_connectionLostTold, true))
            m_boxes->critical(error.message(), ProgramTitle);
    } else if (telling == Telling::Waiting) {
        // A box would take the keys the user types next.
        if (m_recovery.waiting)
            m_recovery.waiting();
    } else if (m_boxes && (telling == Telling::Always || !m_busyTold)) {
        m_boxes->critical(error.message(), ProgramTitle);
        m_busyTold = true;
    }
    if (!hasEnded())
        m_busyRetry->start();
    if (m_recovery.repaint)
        m_recovery.repaint();
}

void ReactionScheduler::retryAfterBusy()
{
    // What was typed first: reading the lists again would drop a new row
    // the history grid holds.
    const std::optional<StoreError> again = attempt([this] {
        if (m_recovery.storeHeld)
            m_recovery.storeHeld();
        if (m_recovery.readAgain)
            m_recovery.readAgain();
    });
    if (again && again->isPassing()) {
        m_busyRetry->start();
        return;
    }
    m_busyTold = false;
    if (again)
        failed(*again);
    else if (m_recovery.busyOver)
        m_recovery.busyOver();
    if (m_recovery.repaint)
        m_recovery.repaint();
}
