#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <functional>

class QLabel;

// Keeps a window alive through a step that can take seconds (sorting a
// million breweries, reading them all for the report, saving it). Told how
// far the step has come, it shows "<what> 42 %" in a label and lets the
// window repaint, every 40 ms at most. Keyboard and mouse input waits
// until the step ends, so nothing the user does can change what the step
// is working on or start it a second time. The label's text returns when
// the step ends.
class BusyStep {
public:
    BusyStep(QLabel *label, const QString &what);
    ~BusyStep();
    BusyStep(const BusyStep &) = delete;
    BusyStep &operator=(const BusyStep &) = delete;

    // The figure never runs backwards; the step may report as often as it
    // likes, only one call in 40 ms does anything.
    void operator()(qint64 done, qint64 total);

    // True while a step runs in this process.
    static bool running();
    // Runs `work` now when no step runs; otherwise once the last step has
    // ended, from the event loop, as long as `context` lives. What arrives
    // while a step lets the window repaint (a timer, a queued re-read, the
    // window becoming active) thus never changes what the step works on.
    static void whenIdle(QObject *context, std::function<void()> work);

private:
    QPointer<QLabel> m_label;
    QString m_what;
    QString m_before;
    QString m_shown; // the progress last shown, empty before the first
    QElapsedTimer m_sinceRepaint;
    int m_percent = 0;
};
