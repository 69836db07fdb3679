#pragma once

#include "Register.h"

#include <QStringList>

// The cities of a register's brewery list, in its order.
inline QStringList listedCities(Register &reg)
{
    QStringList cities;
    ::Recordset &listed = reg.breweries()->Recordset();
    for (int position = 0; position < listed.RecordCount(); ++position)
        cities << listed.valueAt(position, listed.fieldIndex(QStringLiteral("CityName"))).toString();
    return cities;
}
