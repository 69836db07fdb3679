#pragma once

#include "RuleSwitches.h"
#include "ValueRules.h"

#include <QString>
#include <functional>

class DataGrid;
class QLabel;
class QSettings;

// The register's notes on the values the grids show: a mark on each noted
// cell, its words in the cell's tooltip, and after an edit that stored a
// noted value the same words in the bottom line. Nothing is refused or
// changed; the notes are read from the values as they stand, by the rules
// the user has left switched on.
class ValueNotes {
public:
    // `showRegister` puts the bottom line's own words back once the value
    // it spoke of was corrected.
    ValueNotes(DataGrid &breweries, DataGrid &chroniks, QLabel *bottomLine, std::function<void()> showRegister,
               QSettings *settings);

    // After an edit of `column` in `grid`'s current row.
    void edited(DataGrid &grid, int column);

private:
    void watch(DataGrid &grid);
    std::optional<ValueNote> noteAt(DataGrid &grid, int row, int column) const;

    ValueRules m_rules;
    RuleSwitches m_switches;
    QLabel *m_bottomLine;
    std::function<void()> m_showRegister;
    // What the bottom line last said of a value.
    QString m_told;
};
