#pragma once

#include <array>

class DataGrid;
class QSettings;
class QWidget;

// What the window remembers for its user from one start to the next: its
// place and size, the widths of both grids' columns, the brewery list's
// share of the height and the three sort keys. The first start, with nothing remembered, keeps the designed ones;
// without settings nothing is remembered.
class RememberedSettings {
public:
    static constexpr std::array<int, 3> DesignedSortKeys = {3, 2, 5};
    static constexpr float DesignedBreweryShare = 0.4f;

    explicit RememberedSettings(QSettings *settings) : m_settings(settings) {}
    // Where the window and what it opens remember things; may be none.
    QSettings *settings() const { return m_settings; }

    // The sort keys last chosen, positions in lists of `entries` entries.
    std::array<int, 3> sortKeys(int entries) const;
    // The brewery list's share of the window's height, as the splitter
    // between the grids was left.
    float breweryShare() const;
    // The column widths, and the place and size of a window of its own.
    void restore(QWidget &window, DataGrid &breweries, DataGrid &chroniks) const;
    void remember(const QWidget &window, DataGrid &breweries, DataGrid &chroniks,
                  const std::array<int, 3> &sortKeys, float breweryShare) const;

private:
    QSettings *m_settings;
};
