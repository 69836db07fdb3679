#pragma once

#include "clsBrewery.h"

#include <QStringList>
#include <memory>

// A brewery's eight texts in column order, to compare in one go.
inline QStringList texts(const clsBrewery &b)
{
    return {b.StateName(), b.CountyName(), b.PostalCode(), b.CityName(),
            b.IdCode(),    b.BreweryName(), b.StartYear(), b.StopYear()};
}

// A brewery of `texts` (column order) with history entries of five texts
// each (IdCode, BreweryName, StartYear, StopYear, BreweryNameLong).
inline std::shared_ptr<clsBrewery> brewery(const QStringList &texts, const QList<QStringList> &entries = {})
{
    auto b = std::make_shared<clsBrewery>();
    for (int i = 0; i < clsBrewery::Texts; ++i)
        b->setText(i, texts.value(i));
    clsBreweryChronik transfer;
    for (const QStringList &e : entries) {
        transfer.setIdCode(e.value(0));
        transfer.setBreweryName(e.value(1));
        transfer.setStartYear(e.value(2));
        transfer.setStopYear(e.value(3));
        transfer.setBreweryNameLong(e.value(4));
        b->AddChronik(transfer);
    }
    return b;
}
