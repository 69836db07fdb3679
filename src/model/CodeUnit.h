#pragma once

#include <QChar>

// The value of one code unit of any kind of string view: a UTF-16 unit, a
// Latin-1 character or a UTF-8 byte.
inline char16_t CodeUnit(QChar unit)
{
    return unit.unicode();
}
inline char16_t CodeUnit(char unit)
{
    return static_cast<unsigned char>(unit);
}
inline char16_t CodeUnit(char8_t unit)
{
    return unit;
}
