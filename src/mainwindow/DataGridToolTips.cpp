// A value longer than its cell is shown whole in a tooltip: the history
// grid's first column cannot be widened, and a long complete name could
// otherwise only be read in the editor. A cell with a note of its own (a
// value not yet stored) shows the note.
#include "DataGrid.h"

#include "RecordsetModel.h"

#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

bool DataGrid::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString shown = index.data(Qt::DisplayRole).toString();
    if (const QString note = index.data(Qt::ToolTipRole).toString(); !note.isEmpty()) {
        QToolTip::showText(help->globalPos(), shown + QStringLiteral("\n\n") + note, viewport(), visualRect(index));
        return true;
    }
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const QRect cell = visualRect(index);
    if (!index.isValid() || fontMetrics().horizontalAdvance(shown) + 2 * margin <= cell.width()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), shown, viewport(), cell);
    return true;
}
