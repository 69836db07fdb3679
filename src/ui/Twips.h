#pragma once

// Window and column sizes are given in twips, 1/1440 inch: 15 twips make
// one pixel at 96 dots per inch. This is the one conversion.
inline constexpr int TwipsPerPixel = 15;

inline int twips(int n)
{
    return (n + (n >= 0 ? TwipsPerPixel / 2 : -TwipsPerPixel / 2)) / TwipsPerPixel;
}

inline int toTwips(int pixels)
{
    return pixels * TwipsPerPixel;
}
