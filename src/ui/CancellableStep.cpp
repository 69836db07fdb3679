#include "CancellableStep.h"

CancellableStep::CancellableStep(QWidget &window, QLabel *bottomLine, const QString &what)
    : m_dialog(what, QStringLiteral("Cancel"), 0, 1000, &window), m_busy(bottomLine, what)
{
    m_dialog.setWindowModality(Qt::WindowModal);
    // At its minimum, the dialog shows once the time has passed even when
    // the figure stands still (a file being read, a workbook being packed).
    m_dialog.setValue(0);
    m_dialog.setMinimumDuration(300);
    m_dialog.setAutoReset(false);
    m_dialog.setAutoClose(false);
    // Escape rejects a dialog, which would only hide this one: it cancels.
    QObject::connect(&m_dialog, &QDialog::rejected, &m_dialog, &QProgressDialog::cancel);
}

bool CancellableStep::operator()(int permille)
{
    m_busy(permille, 1000);
    // The dialog answers its Cancel button while it counts.
    m_dialog.setValue(permille);
    return !m_dialog.wasCanceled();
}
