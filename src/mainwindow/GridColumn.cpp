// The column handle: caption, field and alignment live in the grid's
// model, width and visibility in its view.
#include "GridColumn.h"

#include "DataGrid.h"
#include "RecordsetModel.h"

#include <QHeaderView>

QString GridColumn::Caption() const
{
    return m_grid->recordsetModel().column(m_index).caption;
}

void GridColumn::setCaption(const QString &caption)
{
    m_grid->recordsetModel().setCaption(m_index, caption);
}

QString GridColumn::DataField() const
{
    return m_grid->recordsetModel().column(m_index).dataField;
}

void GridColumn::setDataField(const QString &field)
{
    m_grid->recordsetModel().setDataField(m_index, field);
}

int GridColumn::Width() const
{
    return m_grid->m_widths.at(size_t(m_index)).twips;
}

void GridColumn::setWidth(int twips)
{
    m_grid->m_widths.at(size_t(m_index)).twips = twips;
    m_grid->spreadColumns();
}

bool GridColumn::Visible() const
{
    return m_grid->m_widths.at(size_t(m_index)).visible;
}

void GridColumn::setVisible(bool visible)
{
    m_grid->m_widths.at(size_t(m_index)).visible = visible;
    m_grid->setColumnHidden(m_index, !visible);
    m_grid->recordsetModel().setShown(m_index, visible);
    m_grid->showColumnsInView();
    m_grid->spreadColumns();
}

int GridColumn::Alignment() const
{
    return m_grid->recordsetModel().column(m_index).alignment;
}

void GridColumn::setAlignment(int alignment)
{
    m_grid->recordsetModel().setAlignment(m_index, alignment);
}

bool GridColumn::AllowSizing() const
{
    return m_grid->m_widths.at(size_t(m_index)).allowSizing;
}

void GridColumn::setAllowSizing(bool allow)
{
    m_grid->m_widths.at(size_t(m_index)).allowSizing = allow;
    m_grid->horizontalHeader()->setSectionResizeMode(m_index, allow ? QHeaderView::Interactive : QHeaderView::Fixed);
}

QString GridColumn::Text() const
{
    const QVariant value = Value();
    return value.isNull() ? QString() : value.toString();
}

void GridColumn::setText(const QString &text)
{
    m_grid->recordsetModel().setCellText(m_index, text);
}

QVariant GridColumn::Value() const
{
    return m_grid->recordsetModel().cellValue(m_index);
}
