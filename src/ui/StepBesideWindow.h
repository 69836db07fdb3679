#pragma once

#include "CancellableStep.h"
#include "WaitBeside.h"

#include <atomic>
#include <future>
#include <utility>

// Thrown by a step the user cancelled, where its work hears its progress
// without answering (StepProgress::tell); nothing of it may stay behind.
struct StepCancelled {};

// What a step on a worker thread and the window share: how far the step
// has come, written by the worker, and whether the user cancelled it,
// written by the window.
class StepProgress {
public:
    // Records how far the step has come; false once the user cancelled.
    bool operator()(qint64 done, qint64 total)
    {
        m_permille = total > 0 ? int(std::min<qint64>(done * 1000 / total, 1000)) : 0;
        return !m_cancelled;
    }
    // For work that hears its progress without answering: throws
    // StepCancelled once the user cancelled.
    void tell(qint64 done, qint64 total)
    {
        if (!(*this)(done, total))
            throw StepCancelled{};
    }
    int permille() const { return m_permille; }
    bool cancelled() const { return m_cancelled; }
    void cancel() { m_cancelled = true; }

private:
    std::atomic<int> m_permille{0};
    std::atomic<bool> m_cancelled{false};
};

// Runs `work(progress)` on a thread of its own while the window repaints and
// answers, its progress in the bottom line and in a dialog whose Cancel
// sets progress.cancelled(). The dialog is modal to the window, so nothing
// the user does there can change what the work reads or start it again.
// Returns what `work` returned and throws what it threw, on the window's
// thread. `work` must touch nothing of the window's: it reads on a
// connection of its own, or on copies made before.
template <typename Work>
auto RunBesideWindow(QWidget &window, QLabel *bottomLine, const QString &what, Work &&work)
{
    StepProgress progress;
    auto done = std::async(std::launch::async, [&work, &progress] { return work(progress); });
    CancellableStep shown(window, bottomLine, what);
    waitBeside(done, [&] {
        if (!shown(progress.permille()))
            progress.cancel();
    });
    return done.get();
}
