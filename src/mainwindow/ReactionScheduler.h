#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <utility>

class MessageBoxes;
class QTimer;
class QWidget;
class StoreError;

// Decides when the work of one register window runs, and what a failure of
// it does. Every reaction to the user, every timer, every queued re-read and
// every deferred step of the window runs through run(), later(),
// afterInput() or a reaction wrapped by whileOpen(); there is no other way:
// - a failure of the store is shown once with its message, and the lists
//   show what is stored; a register held by another program (or a full
//   disk) is told once per busy spell, or not at all where only a read
//   waits for it, and once it answers again what the grids kept is stored
//   and the lists are read again;
// - what arrives while a long step lets the window repaint (BusyStep) waits
//   until the step has ended, so that nothing changes the lists it works on;
// - a re-read asked for by afterInput() never runs between the user's input
//   and its handling: it waits until the window has been still a moment, so
//   a click or a key acts on the rows the user saw when acting;
// - once the window ends, nothing queued, no timer and no late reaction runs.
class ReactionScheduler : public QObject {
    Q_OBJECT
public:
    // How a register held by another program is told: a refused write
    // always, a write the grids keep for later once per busy spell, a read
    // that waits for the register (a move's history) never: the window
    // says where it waits.
    enum class Telling { Always, OncePerBusySpell, Waiting };

    // How the window comes back after a failure.
    struct Recovery {
        // The lists as they are stored, after a step that failed.
        std::function<void()> readAgain;
        // The whole brewery list anew, after a row changed elsewhere.
        std::function<void()> rereadAll;
        // Writes what the register refused for now and the grids kept;
        // throws while it still cannot.
        std::function<void()> storeHeld;
        // Another program deleted or replaced the register's file; called
        // after the failure has been told.
        std::function<void(const StoreError &)> fileGone;
        // The register answers again after a busy spell.
        std::function<void()> busyOver;
        // A read waits for the register held by another program.
        std::function<void()> waiting;
        std::function<void()> repaint;
    };

    // The failures are told through `boxes`; without, they are only
    // recovered from (a grid on its own). `window` is the window whose input
    // postpones afterInput().
    ReactionScheduler(std::shared_ptr<MessageBoxes> boxes, QWidget *window);
    ~ReactionScheduler() override;
    void setRecovery(Recovery recovery) { m_recovery = std::move(recovery); }
    // How the window asks and tells the user.
    const std::shared_ptr<MessageBoxes> &boxes() const { return m_boxes; }

    // Runs one reaction now, or once a running long step has ended. A
    // failure of the store is shown and recovered from; returns whether the
    // reaction ran through now.
    bool run(const std::function<void()> &reaction, Telling telling = Telling::Always);
    // Runs a reaction from the event loop, after `delayMs`.
    void later(std::function<void()> reaction, int delayMs = 0);
    // Runs a re-read once the user's input has been handled; one is
    // pending at a time, a later one replacing it.
    void afterInput(std::function<void()> reread);
    // A reaction called from elsewhere (a grid's event), which does nothing
    // once the window has ended.
    template <typename Reaction> auto whileOpen(Reaction reaction)
    {
        return [open = m_open, reaction](auto &&...args) {
            if (*open)
                reaction(std::forward<decltype(args)>(args)...);
        };
    }

    // Tells a failure of the store and brings the lists back to what is
    // stored.
    void failed(const StoreError &error, Telling telling = Telling::Always);
    // A shared register's server is lost, and answers again: the loss is
    // told once, whether a write or the window's listening meets it first,
    // and never again until the server has answered.
    void connectionLost(const QString &message);
    // A step of the user's that failed for the loss: said always, as that
    // step's failure, and the loss counts as told.
    void stepLostConnection(const QString &message);
    void connectionBack() { m_connectionLostTold = false; }
    bool isConnectionLost() const { return m_connectionLostTold; }

    // The window has shown its rows: from now on it reacts to the desktop
    // too (its activation), not only to the user.
    void open() { m_shown = true; }
    bool isOpen() const { return m_shown && !hasEnded(); }
    // From now on nothing of the window runs.
    void end();
    bool hasEnded() const { return !*m_open; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void busy(const StoreError &error, Telling telling);
    void retryAfterBusy();
    void runAfterInput();

    std::shared_ptr<MessageBoxes> m_boxes;
    QPointer<QWidget> m_window;
    Recovery m_recovery;
    // Shared with the reactions handed out, which outlive this object
    // inside the grids' events.
    std::shared_ptr<bool> m_open = std::make_shared<bool>(true);
    bool m_shown = false;
    bool m_recovering = false;
    // Told that another program holds the register, and not yet read since.
    bool m_busyTold = false;
    bool m_connectionLostTold = false;
    QTimer *m_busyRetry;
    std::function<void()> m_afterInput;
    QTimer *m_inputQuiet;
};
