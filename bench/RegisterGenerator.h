#pragma once

#include <QString>

struct GeneratedRegister {
    int breweries = 0;
    int chroniks = 0;
};

// Writes a realistic register to `path` (created when missing): German
// states, districts, five-digit postal codes with leading zeros, city names
// with umlauts, "ß" and apostrophes, brewery names, years, 0 to 8 history
// entries per brewery (about 4 on average) and some Null fields. The same
// seed and size always give the same register.
GeneratedRegister GenerateRegister(const QString &path, int breweries, quint32 seed);
