#pragma once

#include "GridColumn.h"
#include "ReportLine.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>

// The eight columns of the brewery list, in their order: the field each
// shows, its caption, its entry in the sort lists, its alignment and the
// sample text its width is measured from (empty: the caption followed by
// "XX"). The controls, the column setup, the sort lists and the loader all
// read them from here.
struct BreweryColumn {
    QString field;
    QString caption;
    QString sortCaption;
    int alignment;
    QString widthSample;
};

namespace BreweryColumnCaption {
inline QString of(int column)
{
    return QString::fromUtf8(ReportLine::BreweryColumns[size_t(column)].caption);
}
} // namespace BreweryColumnCaption

inline const std::array<BreweryColumn, 8> BreweryColumns = {{
    {QStringLiteral("StateName"), BreweryColumnCaption::of(0), QStringLiteral("BL(State)"), GridColumn::Center, {}},
    {QStringLiteral("CountyName"), BreweryColumnCaption::of(1), QStringLiteral("Reg Be(County)"), GridColumn::Center, {}},
    {QStringLiteral("PostalCode"), BreweryColumnCaption::of(2), QStringLiteral("PLZ(Postal Code)"), GridColumn::Center,
     QStringLiteral("XX99999")},
    {QStringLiteral("CityName"), BreweryColumnCaption::of(3), QStringLiteral("ORT(City)"), GridColumn::Left,
     QStringLiteral("Dusseldorf Dusseldorf Dusseldorf")},
    {QStringLiteral("IdCode"), BreweryColumnCaption::of(4), QStringLiteral("ID(ID)"), GridColumn::Center,
     QStringLiteral("XX99999-99")},
    {QStringLiteral("BreweryName"), BreweryColumnCaption::of(5), QStringLiteral("BRAUEREI (Kürtz)(Brewery Name)"),
     GridColumn::Left, QStringLiteral("Schlossbrauerei Schlossbrauerei Schlossbrauerei")},
    {QStringLiteral("StartYear"), BreweryColumnCaption::of(6), QStringLiteral("*Jahr(Start Year)"), GridColumn::Right, {}},
    {QStringLiteral("StopYear"), BreweryColumnCaption::of(7), QStringLiteral("+Jahr(End Year)"), GridColumn::Right, {}},
}};

// The sort lists' choices, named by their columns' captions, for a printed
// heading ("ORT, BRAUEREI (Kürtz), *Jahr").
inline QString OrderCaptions(const QStringList &sortChoices)
{
    QStringList captions;
    for (const QString &choice : sortChoices) {
        const auto column = std::find_if(BreweryColumns.begin(), BreweryColumns.end(),
                                         [&choice](const BreweryColumn &c) { return c.sortCaption == choice; });
        captions << (column != BreweryColumns.end() ? column->caption : choice);
    }
    return captions.join(QStringLiteral(", "));
}
