#pragma once

#include <QString>
#include <QVariant>

class DataGrid;

// One column of a DataGrid, addressed by position. A light handle: it
// reads and writes the grid's own state, so it may be taken and dropped
// freely.
class GridColumn {
public:
    enum AlignmentValue { Left = 0, Right = 1, Center = 2 };

    QString Caption() const;
    void setCaption(const QString &caption);
    QString DataField() const;
    void setDataField(const QString &field);
    // In twips.
    int Width() const;
    void setWidth(int twips);
    bool Visible() const;
    void setVisible(bool visible);
    int Alignment() const;
    void setAlignment(int alignment);
    bool AllowSizing() const;
    void setAllowSizing(bool allow);

    // The current row's cell, as text and as its value (Null stays Null).
    QString Text() const;
    void setText(const QString &text);
    QVariant Value() const;

private:
    friend class DataGrid;
    GridColumn(DataGrid &grid, int index) : m_grid(&grid), m_index(index) {}
    DataGrid *m_grid;
    int m_index;
};
