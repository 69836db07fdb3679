// The columns of both grids. The brewery columns are as wide as a sample
// text each; the history columns copy those widths so that they stand under
// their brewery counterparts.
#include "Sudregister.h"

#include "BreweryColumns.h"
#include "ReportLine.h"

#include "SizingLabel.h"
#include "Twips.h"

#include <QHeaderView>
#include <QLabel>
#include <QStyle>

void Sudregister::SetupBreweryColumns()
{
    grdBrauerien->setColumnHeaders(true);
    grdBrauerien->setAllowUpdate(true);
    grdBrauerien->setAllowRowSizing(false);
    grdBrauerien->setAllowDelete(true);
    grdBrauerien->setAllowAddNew(true);

    // A column is as wide as its sample in the window's font: a cell draws
    // its text inside a margin on either side and its grid line, so a column
    // only as wide as the text would cut it off.
    const int margin = grdBrauerien->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grdBrauerien) + 1;
    const auto measureTwips = [&](const QString &sample) {
        Label1->setCaption(sample);
        return toTwips(Label1->width() + 2 * margin + 1);
    };
    for (int i = 0; i < int(BreweryColumns.size()); ++i) {
        const BreweryColumn &layout = BreweryColumns[size_t(i)];
        GridColumn column = grdBrauerien->Columns(i);
        column.setAllowSizing(true);
        column.setAlignment(layout.alignment);
        column.setCaption(layout.caption);
        const QString sample = layout.widthSample.isEmpty() ? column.Caption() + "XX" : layout.widthSample;
        column.setWidth(measureTwips(sample));
        column.setVisible(true);
        column.setDataField(layout.field);
    }
}

void Sudregister::SetupChronikColumns()
{
    grdChronik->setColumnHeaders(true);

    GridColumn first = grdChronik->Columns(0);
    // Widened, it shows a long complete name whole.
    first.setAllowSizing(true);
    first.setAlignment(grdBrauerien->Columns(5).Alignment());
    first.setCaption(QString::fromUtf8(ReportLine::ChronikColumns[ChronikRef::NameLong].caption));
    first.setWidth(0);
    for (int k = 0; k < 4; ++k)
        first.setWidth(first.Width() + grdBrauerien->Columns(k).Width());
    first.setVisible(true);

    GridColumn id = grdChronik->Columns(1);
    id.setAllowSizing(true);
    id.setAlignment(grdBrauerien->Columns(4).Alignment());
    id.setCaption(grdBrauerien->Columns(4).Caption());
    id.setWidth(grdBrauerien->Columns(4).Width());
    id.setVisible(true);

    for (int i = 2; i <= 4; ++i) {
        GridColumn column = grdChronik->Columns(i);
        column.setAllowSizing(true);
        column.setCaption(grdBrauerien->Columns(i + 3).Caption());
        column.setWidth(grdBrauerien->Columns(i + 3).Width());
        column.setVisible(true);
    }

    GridColumn parent = grdChronik->Columns(5);
    parent.setAllowSizing(true);
    parent.setVisible(false);

    // The entries stand in ID order until a caption orders them otherwise.
    grdChronik->horizontalHeader()->setSortIndicatorShown(true);
    grdChronik->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder);
}
