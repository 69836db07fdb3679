#include "FilterRow.h"

#include "BreweryColumns.h"
#include "DataGrid.h"
#include "FilterHeader.h"
#include "FindField.h"

#include <QAction>
#include <QLineEdit>
#include <QScrollBar>
#include <QSettings>

namespace {

const QString ShownKey = QStringLiteral("filterRow");

FieldFilter::Kind kindOf(const QString &field)
{
    if (field == QLatin1String("PostalCode"))
        return FieldFilter::Kind::PostalCode;
    if (field == QLatin1String("StartYear") || field == QLatin1String("StopYear"))
        return FieldFilter::Kind::Year;
    return FieldFilter::Kind::Text;
}

} // namespace

FilterRow::FilterRow(FilterHeader &header, DataGrid &grid, FindField &find, QSettings *settings, QObject *parent)
    : QObject(parent), m_header(header), m_find(find), m_settings(settings)
{
    m_show = new QAction(QStringLiteral("&Filter Row"), this);
    m_show->setObjectName(QStringLiteral("actFilterRow"));
    m_show->setCheckable(true);
    m_show->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    m_show->setChecked(m_settings && m_settings->value(ShownKey, false).toBool());
    m_header.setFieldsShown(m_show->isChecked());
    connect(m_show, &QAction::toggled, this, [this](bool shown) {
        m_header.setFieldsShown(shown);
        if (m_settings)
            m_settings->setValue(ShownKey, shown);
        // Filters out of sight would narrow the list unseen.
        if (!shown)
            m_header.clear();
        else if (QWidget *first = m_header.field(0))
            first->setFocus(Qt::ShortcutFocusReason);
    });
    m_clear = new QAction(QStringLiteral("C&lear Filters"), this);
    m_clear->setObjectName(QStringLiteral("actClearFilters"));
    connect(m_clear, &QAction::triggered, &m_header, &FilterHeader::clear);
    connect(&m_header, &FilterHeader::textsChanged, this, &FilterRow::changed);
    connect(grid.horizontalScrollBar(), &QScrollBar::valueChanged, &m_header, &FilterHeader::placeFields);
}

FieldFilter FilterRow::filterOf(int column) const
{
    return FieldFilter(m_header.text(column), kindOf(BreweryColumns[size_t(column)].field));
}

QString FilterRow::description() const
{
    QStringList set;
    for (int i = 0; i < int(BreweryColumns.size()); ++i) {
        if (filterOf(i).isSet())
            set << QStringLiteral("%1 %2").arg(BreweryColumns[size_t(i)].caption, m_header.text(i).trimmed());
    }
    return set.join(QStringLiteral(", "));
}

void FilterRow::changed()
{
    std::vector<ColumnFilter> filters;
    std::vector<bool> marked;
    for (int i = 0; i < int(BreweryColumns.size()); ++i) {
        FieldFilter filter = filterOf(i);
        marked.push_back(filter.isSet());
        if (filter.isSet())
            filters.push_back({i, std::move(filter)});
    }
    m_header.setMarked(marked);
    m_find.setColumnFilters(std::move(filters));
    m_find.applySoon();
}
