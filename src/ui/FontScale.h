#pragma once

#include "Twips.h"

#include <QFont>
#include <QFontInfo>
#include <cmath>

// The windows were drawn in twips for an 8-point font. With the desktop's
// font at another size they keep their arrangement, every designed place
// and size grown or shrunk with the font.
class FontScale {
public:
    static constexpr double DesignedPointSize = 8.0;

    explicit FontScale(const QFont &font)
    {
        // The size asked for: the one matched is rounded to whole pixels.
        // A font given in pixels is taken at the size it has in points.
        const double points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
        if (points > 0)
            m_factor = points / DesignedPointSize;
    }

    double factor() const { return m_factor; }
    // A designed length in twips, in pixels of this font.
    int pixels(int designedTwips) const { return int(std::lround(designedTwips * m_factor / TwipsPerPixel)); }
    // Pixels back to designed twips.
    int designedTwips(int pixels) const { return int(std::lround(pixels * TwipsPerPixel / m_factor)); }
    // A designed point size (a title's) in this font.
    double points(double designedPoints) const { return designedPoints * m_factor; }

private:
    double m_factor = 1.0;
};
