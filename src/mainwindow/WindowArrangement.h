#pragma once

#include "FontScale.h"
#include "RememberedSettings.h"
#include "ToolBoxLayout.h"

#include <QSize>
#include <memory>

class DataGrid;
class GridSplitter;
class QLabel;
class QWidget;

// Where the register window's controls go: designed in twips and scaled by
// the desktop's font; the title, the two grids and the tool box shared out
// over the window's height, the brewery list keeping the share the user
// dragged the edge between the grids to; the tool box wrapping its lines in
// a window narrower than drawn.
class WindowArrangement {
public:
    explicit WindowArrangement(const QFont &font) : m_scale(font) {}

    const FontScale &scale() const { return m_scale; }
    // Places a control at a designed position and size, in twips.
    void place(QWidget *control, int left, int top, int width, int height) const;

    // The controls it arranges, once they are made: `toolBox` drawn
    // `toolBoxTwips` large for a window `windowTwips` wide. Adds the handle
    // on the edge between the grids.
    struct Controls {
        QWidget *window;
        QLabel *title;
        DataGrid *breweries;
        DataGrid *chroniks;
        QWidget *toolBox;
    };
    void arrangeIn(const Controls &controls, QSize toolBoxTwips, int windowTwips);
    // The tool box's groups, added by whoever made its controls.
    ToolBoxLayout &toolBox() const { return *m_toolBox; }
    // The window no smaller than every control needs to show.
    void limitSize();
    // Arranges the controls for the window's size.
    void arrange();
    // The brewery list's share of the window's height.
    float breweryShare() const { return m_breweryShare; }
    void setBreweryShare(float share) { m_breweryShare = share; }

private:
    // A grid's captions and three rows, in pixels.
    int gridMinimumHeight() const;
    // The handle between the grids was dragged to `y`.
    void moveGridEdge(int y);

    FontScale m_scale;
    Controls m_controls{};
    std::unique_ptr<ToolBoxLayout> m_toolBox;
    GridSplitter *m_splitter = nullptr;
    float m_breweryShare = RememberedSettings::DesignedBreweryShare;
};
