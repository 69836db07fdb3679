#pragma once

#include <QBrush>
#include <QString>

// The fill of a state's band in the timeline: colours of a qualitative
// palette for readers with and without colour vision deficiencies (Paul
// Tol's "bright" and "muted" schemes), ordered so that neighbouring bands
// differ in lightness as well as in hue. Beyond the palette the colours
// repeat under a hatching of their own. Breweries without a state are grey.
QBrush StateBrush(int index, const QString &state);

// The palette's colours, in band order.
int PaletteSize();
QColor PaletteColour(int index);
