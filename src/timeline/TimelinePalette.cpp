#include "TimelinePalette.h"

#include "TimelineCounts.h"

#include <array>

namespace {

// Dark and light colours alternate.
constexpr std::array<QRgb, 15> Palette = {
    0x4477AA, 0xCCBB44, 0x882255, 0x88CCEE, 0x228833, 0xEE6677, 0x332288, 0xDDCC77,
    0x117733, 0x66CCEE, 0xAA3377, 0x44AA99, 0xCC6677, 0x999933, 0xAA4499,
};

constexpr std::array<Qt::BrushStyle, 4> Hatchings = {Qt::SolidPattern, Qt::Dense3Pattern, Qt::BDiagPattern,
                                                     Qt::CrossPattern};

} // namespace

int PaletteSize()
{
    return int(Palette.size());
}

QColor PaletteColour(int index)
{
    return QColor(Palette[size_t(index) % Palette.size()]);
}

QBrush StateBrush(int index, const QString &state)
{
    if (state == TimelineCounts::NoState)
        return QBrush(QColor(0xBBBBBB));
    const size_t round = (size_t(index) / Palette.size()) % Hatchings.size();
    return QBrush(PaletteColour(index), Hatchings[round]);
}
