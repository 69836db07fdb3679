// What the window remembers for its user from one start to the next: its
// place and size, the widths of both grids' columns and the three sort
// keys. The first start, with nothing remembered, keeps the designed ones.
#include "Sudregister.h"

#include <QComboBox>
#include <QSettings>

namespace {

const QString Geometry = QStringLiteral("window/geometry");
const QString BreweryWidths = QStringLiteral("window/breweryColumns");
const QString ChronikWidths = QStringLiteral("window/chronikColumns");
const QString SortKeys = QStringLiteral("window/sortKeys");

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

std::array<int, 3> Sudregister::rememberedSortKeys() const
{
    std::array<int, 3> keys = {3, 2, 5};
    if (!m_settings)
        return keys;
    const QVariantList stored = m_settings->value(SortKeys).toList();
    if (stored.size() != 3)
        return keys;
    for (int i = 0; i < 3; ++i) {
        bool number = false;
        const int key = stored.at(i).toInt(&number);
        if (!number || key < 0 || key >= cmbSort1->count())
            return {3, 2, 5};
        keys[size_t(i)] = key;
    }
    return keys;
}

void Sudregister::restoreLayout()
{
    if (!m_settings)
        return;
    applyWidths(*grdBrauerien, m_settings->value(BreweryWidths).toList());
    applyWidths(*grdChronik, m_settings->value(ChronikWidths).toList());
    // Inside a RegisterWindow, the frame keeps the place and size.
    if (isWindow())
        restoreGeometry(m_settings->value(Geometry).toByteArray());
}

void Sudregister::rememberLayout()
{
    if (!m_settings)
        return;
    if (isWindow())
        m_settings->setValue(Geometry, saveGeometry());
    m_settings->setValue(BreweryWidths, widthsOf(*grdBrauerien));
    m_settings->setValue(ChronikWidths, widthsOf(*grdChronik));
    m_settings->setValue(SortKeys, QVariantList{cmbSort1->currentIndex(), cmbSort2->currentIndex(),
                                                cmbSort3->currentIndex()});
    m_settings->sync();
}
