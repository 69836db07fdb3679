#include "BusyStep.h"

#include <QCoreApplication>
#include <QLabel>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr int RepaintEveryMs = 40;
int stepsRunning = 0;
std::vector<std::pair<QPointer<QObject>, std::function<void()>>> afterSteps;

} // namespace

BusyStep::BusyStep(QLabel *label, const QString &what) : m_label(label), m_what(what)
{
    ++stepsRunning;
    if (m_label)
        m_before = m_label->text();
    m_sinceRepaint.start();
}

BusyStep::~BusyStep()
{
    --stepsRunning;
    if (stepsRunning == 0) {
        for (auto &[context, work] : std::exchange(afterSteps, {})) {
            if (context)
                QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
        }
    }
    // A text the step's own work put there meanwhile stands.
    if (m_label && !m_shown.isEmpty() && m_label->text() == m_shown)
        m_label->setText(m_before);
}

bool BusyStep::running()
{
    return stepsRunning > 0;
}

void BusyStep::whenIdle(QObject *context, std::function<void()> work)
{
    if (stepsRunning == 0)
        work();
    else
        afterSteps.emplace_back(context, std::move(work));
}

void BusyStep::operator()(qint64 done, qint64 total)
{
    if (m_sinceRepaint.elapsed() < RepaintEveryMs)
        return;
    const int percent = total > 0 ? int(std::clamp<qint64>(done * 100 / total, 0, 100)) : 0;
    m_percent = std::max(m_percent, percent);
    if (m_label) {
        m_shown = QStringLiteral("%1 %2 %").arg(m_what).arg(m_percent);
        m_label->setText(m_shown);
        // A long step at start-up shows the window with its progress at
        // once, rather than nothing until the step is done; a window the
        // user has closed meanwhile stays closed.
        QWidget *window = m_label->window();
        if (!window->isVisible() && !window->testAttribute(Qt::WA_WState_ExplicitShowHide))
            window->show();
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sinceRepaint.restart();
}
