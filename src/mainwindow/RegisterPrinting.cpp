#include "RegisterPrinting.h"

#include "BrewerySheet.h"
#include "Counted.h"
#include "DataGrid.h"
#include "DataSource.h"
#include "GridColumn.h"
#include "ListPages.h"
#include "MessageBoxes.h"
#include "TablePages.h"

#include <QAction>
#include <QDate>
#include <QFileInfo>
#include <QLocale>

RegisterPrinting::RegisterPrinting(Window window, std::shared_ptr<MessageBoxes> boxes, QSettings *settings)
    : m_window(std::move(window)), m_boxes(boxes),
      m_printing(m_window.window, std::move(boxes), settings, m_window.bottomLine,
                 m_window.folder)
{
    m_printList = new QAction(QStringLiteral("Print &List…"), &m_window.window);
    m_printList->setObjectName(QStringLiteral("actPrintList"));
    m_printList->setShortcut(QKeySequence::Print);
    QObject::connect(m_printList, &QAction::triggered, &m_window.window,
                     [this] { m_window.run([this] { preview(listPages()); }); });
    m_printSheet = new QAction(QStringLiteral("Print Brewery &Sheet…"), &m_window.window);
    m_printSheet->setObjectName(QStringLiteral("actPrintSheet"));
    QObject::connect(m_printSheet, &QAction::triggered, &m_window.window, [this] {
        m_window.run([this] {
            std::unique_ptr<TablePages> sheet = brewerySheet();
            if (!sheet) {
                m_boxes->tell(QStringLiteral("There is no brewery to print: the cursor stands on no brewery of the list."));
                return;
            }
            preview(std::move(sheet));
        });
    });
}

RegisterPrinting::~RegisterPrinting() = default;

PageFrame::Heading RegisterPrinting::heading(const QString &what) const
{
    return {m_window.registerName, what,
            QLocale().toString(QDate::currentDate(), QLocale::LongFormat)};
}

QString RegisterPrinting::listDescription() const
{
    QString text = QStringLiteral("sorted by %1").arg(m_window.order());
    if (const QString found = m_window.found(); !found.isEmpty())
        text += QStringLiteral(", found: %1").arg(found);
    if (const QString filtered = m_window.filtered(); !filtered.isEmpty())
        text += QStringLiteral(", filtered: %1").arg(filtered);
    return text;
}

std::unique_ptr<TablePages> RegisterPrinting::listPages() const
{
    const int count = m_window.breweries.Recordset().RecordCount();
    const QString closing = CountedBreweries(count);
    return ListPages(m_window.breweryGrid, m_window.breweries,
                     heading(QStringLiteral("Brewery list, %1").arg(listDescription())), closing,
                     m_window.window.font().family());
}

std::unique_ptr<TablePages> RegisterPrinting::brewerySheet() const
{
    Recordset &breweries = m_window.breweries.Recordset();
    const int current = breweries.AbsolutePosition();
    if (current < 0 || breweries.editMode() == Recordset::EditMode::Add)
        return nullptr;
    BreweryOnPaper brewery;
    DataGrid &grid = m_window.breweryGrid;
    for (int i = 0; i < grid.ColumnCount(); ++i) {
        const GridColumn column = grid.Columns(i);
        if (const int field = breweries.fieldIndex(column.DataField()); field >= 0)
            brewery.fields.emplace_back(column.Caption(), breweries.valueAt(current, field).toString());
    }
    Recordset &chroniks = m_window.chroniks.Recordset();
    std::vector<int> fields;
    DataGrid &history = m_window.chronikGrid;
    for (int i = 0; i < history.ColumnCount(); ++i) {
        const GridColumn column = history.Columns(i);
        const int field = chroniks.fieldIndex(column.DataField());
        if (!column.Visible() || field < 0)
            continue;
        if (column.DataField().compare(QLatin1String("BreweryNameLong"), Qt::CaseInsensitive) == 0)
            brewery.longNameColumn = int(fields.size());
        if (column.DataField().compare(QLatin1String("StartYear"), Qt::CaseInsensitive) == 0)
            brewery.startColumn = int(fields.size());
        if (column.DataField().compare(QLatin1String("StopYear"), Qt::CaseInsensitive) == 0)
            brewery.stopColumn = int(fields.size());
        brewery.chronikCaptions << column.Caption();
        fields.push_back(field);
    }
    for (int row = 0; row < chroniks.RecordCount(); ++row) {
        QStringList values;
        for (int field : fields)
            values << chroniks.valueAt(row, field).toString();
        brewery.chroniks.push_back(values);
    }
    brewery.name = breweries.valueAt(current, breweries.fieldIndex(QStringLiteral("BreweryName"))).toString();
    const QString what = QStringLiteral("Brewery sheet: %1").arg(brewery.name);
    return BrewerySheet(std::move(brewery), heading(what),
                        m_window.window.font().family());
}

void RegisterPrinting::preview(std::unique_ptr<TablePages> document)
{
    m_printing.preview(*document);
}
