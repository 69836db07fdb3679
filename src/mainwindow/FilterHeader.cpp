#include "FilterHeader.h"

#include <QLineEdit>
#include <QPainter>
#include <QShortcut>

FilterHeader::FilterHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
    connect(this, &QHeaderView::sectionCountChanged, this, [this](int, int count) { makeFields(count); });
    connect(this, &QHeaderView::sectionResized, this, &FilterHeader::placeFields);
    connect(this, &QHeaderView::sectionMoved, this, &FilterHeader::placeFields);
}

QLineEdit *FilterHeader::field(int column) const
{
    return column >= 0 && size_t(column) < m_fields.size() ? m_fields[size_t(column)] : nullptr;
}

QString FilterHeader::text(int column) const
{
    const QLineEdit *shown = field(column);
    return shown ? shown->text() : QString();
}

bool FilterHeader::isMarked(int column) const
{
    return column >= 0 && size_t(column) < m_marked.size() && m_marked[size_t(column)];
}

void FilterHeader::setMarked(const std::vector<bool> &marked)
{
    if (marked == m_marked)
        return;
    m_marked = marked;
    viewport()->update();
}

void FilterHeader::clear()
{
    bool changed = false;
    for (QLineEdit *one : m_fields) {
        const QSignalBlocker quiet(one);
        changed = changed || !one->text().isEmpty();
        one->clear();
    }
    if (changed)
        emit textsChanged();
}

void FilterHeader::setFieldsShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    // The grid places its rows under the header's new height.
    updateGeometries();
    emit geometriesChanged();
}

int FilterHeader::fieldHeight() const
{
    return m_shown && !m_fields.empty() ? m_fields.front()->sizeHint().height() : 0;
}

QSize FilterHeader::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    size.rheight() += fieldHeight();
    return size;
}

void FilterHeader::makeFields(int count)
{
    while (int(m_fields.size()) < count) {
        auto *one = new QLineEdit(this);
        one->setObjectName(QStringLiteral("txtFilter%1").arg(m_fields.size()));
        one->setPlaceholderText(QStringLiteral("Filter"));
        one->setVisible(m_shown);
        connect(one, &QLineEdit::textChanged, this, &FilterHeader::textsChanged);
        auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), one, nullptr, nullptr, Qt::WidgetShortcut);
        connect(escape, &QShortcut::activated, one, &QLineEdit::clear);
        m_fields.push_back(one);
    }
    while (int(m_fields.size()) > count) {
        delete m_fields.back();
        m_fields.pop_back();
    }
    updateGeometries();
}

void FilterHeader::updateGeometries()
{
    setViewportMargins(0, 0, 0, fieldHeight());
    QHeaderView::updateGeometries();
    placeFields();
}

void FilterHeader::placeFields()
{
    const int height = fieldHeight();
    const int top = viewport()->geometry().bottom() + 1;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        QLineEdit *one = m_fields[i];
        const int column = int(i);
        one->setVisible(m_shown && !isSectionHidden(column) && sectionSize(column) > 0);
        if (one->isVisible())
            one->setGeometry(viewport()->x() + sectionViewportPosition(column), top, sectionSize(column), height);
    }
}

void FilterHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (!isMarked(logicalIndex))
        return;
    const int bar = std::max(2, rect.height() / 8);
    painter->fillRect(QRect(rect.left() + 2, rect.bottom() - bar, rect.width() - 4, bar), palette().highlight());
}
