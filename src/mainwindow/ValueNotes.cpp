#include "ValueNotes.h"

#include "DataGrid.h"
#include "GridColumn.h"
#include "RecordsetModel.h"

#include <QDate>
#include <QLabel>

namespace {

// The note on `column` of `row`, with the row's other values read from the
// grid's model by field.
std::optional<ValueNote> noteOf(const ValueRules &rules, DataGrid &grid, int row, int column)
{
    RecordsetModel &model = grid.recordsetModel();
    const auto columnOf = [&model](const QString &field) {
        for (int c = 0; c < model.columns(); ++c) {
            if (model.column(c).dataField.compare(field, Qt::CaseInsensitive) == 0)
                return c;
        }
        return -1;
    };
    const auto valueOf = [&](const QString &field) {
        const int c = columnOf(field);
        return c < 0 ? QString() : model.index(row, c).data(Qt::EditRole).toString();
    };
    const auto captionOf = [&](const QString &field) {
        const int c = columnOf(field);
        return c < 0 ? field : model.column(c).caption;
    };
    return rules.noteOn(model.column(column).dataField, valueOf, captionOf);
}

} // namespace

ValueNotes::ValueNotes(DataGrid &breweries, DataGrid &chroniks, QLabel *bottomLine, std::function<void()> showRegister,
                       QSettings *settings)
    : m_rules(QDate::currentDate().year()), m_switches(settings), m_bottomLine(bottomLine),
      m_showRegister(std::move(showRegister))
{
    watch(breweries);
    watch(chroniks);
}

std::optional<ValueNote> ValueNotes::noteAt(DataGrid &grid, int row, int column) const
{
    std::optional<ValueNote> note = noteOf(m_rules, grid, row, column);
    if (note && !m_switches.isOn(note->rule))
        return std::nullopt;
    return note;
}

void ValueNotes::watch(DataGrid &grid)
{
    grid.recordsetModel().cellNote = [this, &grid](int row, int column) -> std::optional<RecordsetModel::CellNote> {
        if (const std::optional<ValueNote> note = noteAt(grid, row, column))
            return RecordsetModel::CellNote{note->text, note->error};
        return std::nullopt;
    };
}

void ValueNotes::edited(DataGrid &grid, int column)
{
    const int row = grid.currentIndex().row();
    if (row < 0)
        return;
    if (const std::optional<ValueNote> note = noteAt(grid, row, column)) {
        m_told = note->text;
        m_bottomLine->setText(m_told);
        return;
    }
    // Corrected: what the bottom line said of it goes.
    if (!m_told.isEmpty() && m_bottomLine->text() == m_told) {
        m_told.clear();
        m_showRegister();
    }
}
