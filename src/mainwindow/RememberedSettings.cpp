#include "RememberedSettings.h"

#include "DataGrid.h"

#include <QSettings>
#include <QWidget>

namespace {

const QString Geometry = QStringLiteral("window/geometry");
const QString BreweryWidths = QStringLiteral("window/breweryColumns");
const QString ChronikWidths = QStringLiteral("window/chronikColumns");
const QString SortKeys = QStringLiteral("window/sortKeys");
const QString BreweryShare = QStringLiteral("window/breweryShare");

QVariantList widthsOf(DataGrid &grid)
{
    QVariantList widths;
    for (int i = 0; i < grid.ColumnCount(); ++i)
        widths << grid.Columns(i).Width();
    return widths;
}

void applyWidths(DataGrid &grid, const QVariantList &widths)
{
    // Remembered for these columns only: another count is another layout.
    if (widths.size() != grid.ColumnCount())
        return;
    for (int i = 0; i < grid.ColumnCount(); ++i) {
        bool number = false;
        const int twips = widths.at(i).toInt(&number);
        if (number && twips > 0)
            grid.Columns(i).setWidth(twips);
    }
}

} // namespace

std::array<int, 3> RememberedSettings::sortKeys(int entries) const
{
    if (!m_settings)
        return DesignedSortKeys;
    const QVariantList stored = m_settings->value(SortKeys).toList();
    if (stored.size() != 3)
        return DesignedSortKeys;
    std::array<int, 3> keys{};
    for (int i = 0; i < 3; ++i) {
        bool number = false;
        const int key = stored.at(i).toInt(&number);
        if (!number || key < 0 || key >= entries)
            return DesignedSortKeys;
        keys[size_t(i)] = key;
    }
    return keys;
}

float RememberedSettings::breweryShare() const
{
    if (!m_settings)
        return DesignedBreweryShare;
    bool number = false;
    const float share = m_settings->value(BreweryShare).toFloat(&number);
    return number && share > 0.0f && share < 1.0f ? share : DesignedBreweryShare;
}

void RememberedSettings::restore(QWidget &window, DataGrid &breweries, DataGrid &chroniks) const
{
    if (!m_settings)
        return;
    applyWidths(breweries, m_settings->value(BreweryWidths).toList());
    applyWidths(chroniks, m_settings->value(ChronikWidths).toList());
    // Inside a RegisterWindow, the frame keeps the place and size.
    if (window.isWindow())
        window.restoreGeometry(m_settings->value(Geometry).toByteArray());
}

void RememberedSettings::remember(const QWidget &window, DataGrid &breweries, DataGrid &chroniks,
                                  const std::array<int, 3> &sortKeys, float breweryShare) const
{
    if (!m_settings)
        return;
    if (window.isWindow())
        m_settings->setValue(Geometry, window.saveGeometry());
    m_settings->setValue(BreweryWidths, widthsOf(breweries));
    m_settings->setValue(ChronikWidths, widthsOf(chroniks));
    m_settings->setValue(SortKeys, QVariantList{sortKeys[0], sortKeys[1], sortKeys[2]});
    m_settings->setValue(BreweryShare, breweryShare);
    m_settings->sync();
}
