#pragma once

#include "CalcReader.h"
#include "ScratchRegister.h"

// A register whose values try every way a spreadsheet could lose them.
struct TrickyRegister : ScratchRegister {
    qint64 lowenbrau, zywiec;
    TrickyRegister()
    {
        lowenbrau = addBrewery({"BY", "<null>", "", "München", "M-1", "Löwenbräu \"Zum Löwen\", Gaststätte", "1850?",
                                "<null>"});
        zywiec = addBrewery({"PL", "Śląskie", "34-300", "Żywiec", "Z-7", "Browar Żywiec 🍺", "1856", ""});
        addChronik(lowenbrau, {"Großbrauerei\tLöwen\nzweite Zeile", "M-1a", "Plzeň", "um 1850", "<null>"});
        addChronik(lowenbrau, {"", "M-1b", " führende Blanks", "1900", "1950"});
    }
    // The tables as the register holds them: the breweries with their key,
    // the history entries with their brewery's key and ID.
    Calc::Table breweries() const
    {
        return {{"RowId", "BL", "Reg Be", "PLZ", "ORT", "ID", "BRAUEREI (Kürtz)", "*Jahr", "+Jahr"},
                {QString::number(lowenbrau), "BY", std::nullopt, "", "München", "M-1", "Löwenbräu \"Zum Löwen\", Gaststätte",
                 "1850?", std::nullopt},
                {QString::number(zywiec), "PL", "Śląskie", "34-300", "Żywiec", "Z-7", "Browar Żywiec 🍺", "1856", ""}};
    }
    Calc::Table chroniks() const
    {
        return {{"ParentRowId", "Brauerei ID", "BRAUEREI (Komplete)", "ID", "BRAUEREI (Kürtz)", "*Jahr", "+Jahr"},
                {QString::number(lowenbrau), "M-1", "Großbrauerei\tLöwen\nzweite Zeile", "M-1a", "Plzeň", "um 1850", std::nullopt},
                {QString::number(lowenbrau), "M-1", "", "M-1b", " führende Blanks", "1900", "1950"}};
    }
};
