#include "WindowArrangement.h"

#include "DataGrid.h"
#include "GridSplitter.h"

#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

void WindowArrangement::place(QWidget *control, int left, int top, int width, int height) const
{
    control->setGeometry(m_scale.pixels(left), m_scale.pixels(top), m_scale.pixels(width), m_scale.pixels(height));
}

void WindowArrangement::arrangeIn(const Controls &controls, QSize toolBoxTwips, int windowTwips)
{
    m_controls = controls;
    m_toolBox = std::make_unique<ToolBoxLayout>(*controls.toolBox, m_scale, toolBoxTwips, windowTwips);
    m_splitter = new GridSplitter(controls.window);
    QObject::connect(m_splitter, &GridSplitter::dragged, controls.window, [this](int y) { moveGridEdge(y); });
}

int WindowArrangement::gridMinimumHeight() const
{
    const DataGrid &grid = *m_controls.breweries;
    return grid.horizontalHeader()->sizeHint().height() + 3 * grid.verticalHeader()->defaultSectionSize()
        + 2 * grid.frameWidth() + grid.horizontalScrollBar()->sizeHint().height();
}

void WindowArrangement::limitSize()
{
    // Every control shows: the tool box's groups, one under the other at
    // worst, and of each grid its captions and a few rows.
    const int narrowest = m_toolBox->minimumWidth();
    m_controls.window->setMinimumSize(
        narrowest, m_controls.title->height() + 2 * gridMinimumHeight() + m_toolBox->arrange(narrowest));
}

void WindowArrangement::arrange()
{
    const auto [window, title, breweries, chroniks, toolBox] = m_controls;
    // Computed in single precision from values read back after each step,
    // as the layout has always been; every value passes through whole
    // pixels. The twips are the designed ones, scaled by the font.
    const auto left = [this](QWidget *w) { return float(m_scale.designedTwips(w->x())); };
    const auto top = [this](QWidget *w) { return float(m_scale.designedTwips(w->y())); };
    const auto height = [this](QWidget *w) { return float(m_scale.designedTwips(w->height())); };
    const auto set = [this](QWidget *w, float l, float t, float wd, float h) {
        place(w, int(std::lround(l)), int(std::lround(t)), int(std::lround(wd)), int(std::lround(h)));
    };
    const float W = float(m_scale.designedTwips(window->width()));
    const float H = float(m_scale.designedTwips(window->height()));

    // The tool box first: narrower than drawn, its lines wrap and it grows.
    m_toolBox->arrange(window->width());
    set(title, 0.0f, 0.0f, W, height(title));
    // The brewery list takes its share of the height, as long as both grids
    // keep room for their captions and a few rows; with less room, its share
    // of what room there is.
    const float leastGrid = float(m_scale.designedTwips(gridMinimumHeight()));
    const float gridsRoom = H - height(title) - height(toolBox);
    const float breweryHeight = gridsRoom >= 2 * leastGrid
        ? std::clamp(m_breweryShare * H, leastGrid, gridsRoom - leastGrid)
        : m_breweryShare * std::max(0.0f, gridsRoom);
    set(breweries, 0.0f, height(title) + top(title), W, breweryHeight);
    const float chronikHeight = H - height(title) - height(breweries) - height(toolBox);
    set(chroniks, left(breweries), height(breweries) + top(breweries), W, std::max(0.0f, chronikHeight));
    set(toolBox, left(breweries), top(chroniks) + height(chroniks), float(m_scale.designedTwips(toolBox->width())),
        height(toolBox));
    m_splitter->placeAt(chroniks->y(), window->width());
}

void WindowArrangement::moveGridEdge(int y)
{
    const int height = m_controls.window->height();
    if (height <= 0)
        return;
    m_breweryShare = float(y - m_controls.breweries->y()) / float(height);
    arrange();
    // Held where it stopped, so that a drag beyond the least room of a grid
    // does not stick there.
    m_breweryShare = float(m_controls.breweries->height()) / float(height);
}
