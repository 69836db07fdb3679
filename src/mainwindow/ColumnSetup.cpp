// The columns of both grids. The brewery columns are as wide as a sample
// text each; the history columns copy those widths so that they stand under
// their brewery counterparts.
#include "Sudregister.h"

#include "Twips.h"

#include <QLabel>

int Sudregister::measureTwips(const QString &sample)
{
    Label1->setText(sample);
    if (m_label1AutoSize)
        Label1->adjustSize();
    return toTwips(Label1->width());
}

void Sudregister::SetupBreweryColumns()
{
    grdBrauerien->setColumnHeaders(true);
    grdBrauerien->setAllowUpdate(true);
    grdBrauerien->setAllowRowSizing(false);
    grdBrauerien->setAllowDelete(true);
    grdBrauerien->setAllowAddNew(true);

    struct Layout {
        const char *caption;
        const char *field;
        int alignment;
        const char *sample; // nullptr: the caption followed by "XX"
    };
    static const Layout columns[] = {
        {"BL", "StateName", GridColumn::Center, nullptr},
        {"Reg Be", "CountyName", GridColumn::Center, nullptr},
        {"PLZ", "PostalCode", GridColumn::Center, "XX99999"},
        {"ORT", "CityName", GridColumn::Left, "Dusseldorf Dusseldorf Dusseldorf"},
        {"ID", "IdCode", GridColumn::Center, "XX99999-99"},
        {"BRAUEREI (Kürtz)", "BreweryName", GridColumn::Left, "Schlossbrauerei Schlossbrauerei Schlossbrauerei"},
        {"*Jahr", "StartYear", GridColumn::Right, nullptr},
        {"+Jahr", "StopYear", GridColumn::Right, nullptr},
    };
    for (int i = 0; i < 8; ++i) {
        GridColumn column = grdBrauerien->Columns(i);
        column.setAllowSizing(true);
        column.setAlignment(columns[i].alignment);
        column.setCaption(QString::fromUtf8(columns[i].caption));
        const QString sample = columns[i].sample ? QString::fromUtf8(columns[i].sample) : column.Caption() + "XX";
        column.setWidth(measureTwips(sample));
        column.setVisible(true);
        column.setDataField(QLatin1String(columns[i].field));
    }
}

void Sudregister::SetupChronikColumns()
{
    grdChronik->setColumnHeaders(true);

    GridColumn first = grdChronik->Columns(0);
    first.setAllowSizing(false);
    first.setAlignment(grdBrauerien->Columns(5).Alignment());
    first.setCaption(QStringLiteral("BRAUEREI (Komplete)"));
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
}
