#pragma once

#include "clsBrewery.h"

#include <QStringList>

// A brewery's eight texts in column order, to compare in one go.
inline QStringList texts(const clsBrewery &b)
{
    return {b.StateName(), b.CountyName(), b.PostalCode(), b.CityName(),
            b.IdCode(),    b.BreweryName(), b.StartYear(), b.StopYear()};
}
