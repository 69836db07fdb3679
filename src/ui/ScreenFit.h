#pragma once

#include <QScreen>
#include <QSize>
#include <QWidget>

// A window's first size, never larger than the screen it opens on, with
// room for the frame and title bar the desktop puts around it.
inline QSize fittedToScreen(QSize wanted, const QWidget &window)
{
    constexpr QSize FrameAllowance(8, 40);
    if (const QScreen *shownOn = window.screen())
        return wanted.boundedTo(shownOn->availableGeometry().size() - FrameAllowance);
    return wanted;
}
