#pragma once

#include "BusyStep.h"

#include <QProgressDialog>

// A long step the user may stop (a PDF, an export): its progress in the
// bottom line and in a dialog whose Cancel stops it, the windows painted
// meanwhile. The dialog shows only once the step has taken a moment.
class CancellableStep {
public:
    CancellableStep(QWidget &window, QLabel *bottomLine, const QString &what);

    // Hears how far the step has come, in thousandths; false once cancelled.
    bool operator()(int permille);

private:
    QProgressDialog m_dialog;
    BusyStep m_busy;
};
