#include "ListPages.h"

#include "DataGrid.h"
#include "DataSource.h"
#include "GridColumn.h"
#include "RegisterFile.h"
#include "TableRows.h"

namespace {

class ListRows : public TableRows {
public:
    ListRows(std::unique_ptr<Recordset> records, std::vector<int> fields)
        : m_records(std::move(records)), m_fields(std::move(fields))
    {
    }
    qint64 rowCount() const override { return m_records->RecordCount(); }
    QStringList cells(qint64 row) const override
    {
        QStringList values;
        for (int field : m_fields)
            values << m_records->valueAt(int(row), field).toString();
        return values;
    }

private:
    // The list's rows by key, read when their page is laid out or painted.
    std::unique_ptr<Recordset> m_records;
    std::vector<int> m_fields;
};

} // namespace

std::unique_ptr<TablePages> ListPages(DataGrid &grid, DataSource &source, const PageFrame::Heading &heading,
                                      const QString &closing, const QString &family)
{
    std::unique_ptr<Recordset> records = source.recordsetOf(source.Recordset().keys());
    std::vector<TablePages::Column> columns;
    std::vector<int> fields;
    for (int i = 0; i < grid.ColumnCount(); ++i) {
        const GridColumn column = grid.Columns(i);
        const int field = records->fieldIndex(column.DataField());
        if (!column.Visible() || field < 0)
            continue;
        // As wide as the grid shows it, in the printed font's size.
        columns.push_back({column.Caption(), column.Width() / 20.0 * TablePages::BodyPoints / grid.font().pointSizeF()});
        fields.push_back(field);
    }
    TablePages::Options options;
    options.title = QStringLiteral("Brewery list");
    options.kind = QStringLiteral("List");
    options.orientation = QPageLayout::Landscape;
    options.heading = heading;
    options.closing = closing;
    // The rows are read by key as their pages are laid out and painted: a
    // change by another program meanwhile would print empty rows under the
    // old count.
    RegisterFile &file = source.file();
    options.outdated = [&file, version = file.dataVersion()] {
        return file.dataVersion() != version ? QStringLiteral("another program changed the register since the list "
                                                              "was read")
                                             : QString();
    };
    return std::make_unique<TablePages>(std::move(options), std::move(columns),
                                        std::make_unique<ListRows>(std::move(records), std::move(fields)), family);
}
