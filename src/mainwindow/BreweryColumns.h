#pragma once

#include "GridColumn.h"

#include <QString>
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

inline const std::array<BreweryColumn, 8> BreweryColumns = {{
    {QStringLiteral("StateName"), QStringLiteral("BL"), QStringLiteral("BL(State)"), GridColumn::Center, {}},
    {QStringLiteral("CountyName"), QStringLiteral("Reg Be"), QStringLiteral("Reg Be(County)"), GridColumn::Center, {}},
    {QStringLiteral("PostalCode"), QStringLiteral("PLZ"), QStringLiteral("PLZ(Postal Code)"), GridColumn::Center,
     QStringLiteral("XX99999")},
    {QStringLiteral("CityName"), QStringLiteral("ORT"), QStringLiteral("ORT(City)"), GridColumn::Left,
     QStringLiteral("Dusseldorf Dusseldorf Dusseldorf")},
    {QStringLiteral("IdCode"), QStringLiteral("ID"), QStringLiteral("ID(ID)"), GridColumn::Center,
     QStringLiteral("XX99999-99")},
    {QStringLiteral("BreweryName"), QStringLiteral("BRAUEREI (Kürtz)"), QStringLiteral("BRAUEREI (Kürtz)(Brewery Name)"),
     GridColumn::Left, QStringLiteral("Schlossbrauerei Schlossbrauerei Schlossbrauerei")},
    {QStringLiteral("StartYear"), QStringLiteral("*Jahr"), QStringLiteral("*Jahr(Start Year)"), GridColumn::Right, {}},
    {QStringLiteral("StopYear"), QStringLiteral("+Jahr"), QStringLiteral("+Jahr(End Year)"), GridColumn::Right, {}},
}};
