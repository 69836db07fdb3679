#include "ToolBoxLayout.h"

#include <QLabel>
#include <algorithm>

namespace {

// Between groups, and from the box's edges, in designed twips.
constexpr int GapTwips = 90;
constexpr int MarginTwips = 120;
// The narrowest the hint and the bottom line become.
constexpr int NarrowestTextTwips = 1500;
// Below the last line, as drawn.
constexpr int BottomMarginTwips = 180;

} // namespace

QRect ToolBoxLayout::Group::bounds() const
{
    QRect all;
    for (const QRect &place : designed)
        all |= place;
    return all;
}

ToolBoxLayout::ToolBoxLayout(QWidget &box, const FontScale &scale, QSize designedSize, int designedWidth)
    : m_box(box), m_scale(scale), m_designedSize(scale.pixels(designedSize.width()), scale.pixels(designedSize.height())),
      m_designedWidth(scale.pixels(designedWidth))
{
}

void ToolBoxLayout::addGroup(int line, std::vector<QWidget *> controls)
{
    Group group{line, std::move(controls), {}};
    for (QWidget *control : group.controls) {
        // Drawn a pixel or two over the next one, a control ends where the
        // next begins.
        if (!group.designed.empty() && group.designed.back().right() >= control->x()) {
            group.designed.back().setRight(control->x() - 1);
            group.controls[group.designed.size() - 1]->setGeometry(group.designed.back());
        }
        group.designed.push_back(control->geometry());
    }
    m_groups.push_back(std::move(group));
}

void ToolBoxLayout::setBottomLine(int line, QLabel *label)
{
    m_bottomLine = label;
    m_bottomLineRow = line;
    m_bottomLineDesigned = label->geometry();
}

void ToolBoxLayout::setHint(int line, QLabel *hint)
{
    m_hint = hint;
    m_hintLine = line;
    m_hintDesigned = hint->geometry();
}

void ToolBoxLayout::widen(QWidget *control, int width)
{
    for (Group &group : m_groups) {
        for (size_t i = 0; i < group.controls.size(); ++i) {
            if (group.controls[i] == control)
                group.designed[i].setWidth(width);
        }
    }
}

int ToolBoxLayout::minimumWidth() const
{
    int widest = m_scale.pixels(NarrowestTextTwips);
    for (const Group &group : m_groups)
        widest = std::max(widest, group.bounds().width());
    return widest + 2 * m_scale.pixels(MarginTwips);
}

int ToolBoxLayout::arrange(int width)
{
    if (width >= m_designedWidth) {
        arrangeAsDesigned(width);
        return m_box.height();
    }
    return flow(width);
}

void ToolBoxLayout::arrangeAsDesigned(int width)
{
    m_box.resize(m_designedSize);
    for (const Group &group : m_groups) {
        // A window as wide as drawn may still end a pixel short of the last
        // button, which then moves in by that pixel.
        const int overhang = std::max(0, group.bounds().right() - (width - 1));
        for (size_t i = 0; i < group.controls.size(); ++i)
            group.controls[i]->setGeometry(group.designed[i].translated(-overhang, 0));
    }
    // The box is drawn wider than the window, for a narrower font than the
    // one in use: the hint begins after the sort lists and wraps within what
    // shows of the box, and the bottom line ends there too.
    const int visibleRight = std::min(width, m_box.width()) - m_scale.pixels(GapTwips);
    if (m_hint) {
        int afterGroups = 0;
        for (const Group &group : m_groups) {
            if (group.line == m_hintLine)
                afterGroups = std::max(afterGroups, group.bounds().right() + m_scale.pixels(GapTwips));
        }
        fitHint(std::max(m_hintDesigned.left(), afterGroups), m_hintDesigned.top(), visibleRight);
    }
    if (m_bottomLine) {
        const QRect &designed = m_bottomLineDesigned;
        m_bottomLine->setGeometry(designed.left(), designed.top(),
                                  std::clamp(visibleRight - designed.left(), m_scale.pixels(NarrowestTextTwips),
                                             designed.width()),
                                  designed.height());
    }
}

int ToolBoxLayout::flow(int width)
{
    const int margin = m_scale.pixels(MarginTwips);
    const int gap = m_scale.pixels(GapTwips);
    const int right = width - margin;
    int lastLine = std::max(m_hintLine, m_bottomLineRow);
    for (const Group &group : m_groups)
        lastLine = std::max(lastLine, group.line);
    // How far the lines below have moved down for the rows wrapped above.
    int shift = 0;
    int bottom = 0;
    for (int line = 0; line <= lastLine; ++line) {
        QRect drawn;
        for (const Group &group : m_groups) {
            if (group.line == line)
                drawn |= group.bounds();
        }
        if (m_bottomLine && line == m_bottomLineRow) {
            const QRect &designed = m_bottomLineDesigned;
            m_bottomLine->setGeometry(designed.left(), designed.top() + shift,
                                      std::max(m_scale.pixels(NarrowestTextTwips), right - designed.left()),
                                      designed.height());
            bottom = std::max(bottom, m_bottomLine->geometry().bottom());
            continue;
        }
        if (drawn.isNull())
            continue;
        const int top = drawn.top() + shift;
        int x = margin;
        int y = top;
        for (const Group &group : m_groups) {
            if (group.line != line)
                continue;
            const QRect bounds = group.bounds();
            if (x > margin && x + bounds.width() > right) {
                x = margin;
                y += drawn.height() + gap;
            }
            for (size_t i = 0; i < group.controls.size(); ++i)
                group.controls[i]->setGeometry(group.designed[i].translated(x - bounds.left(), y - drawn.top()));
            x += bounds.width() + gap;
            bottom = std::max(bottom, y + drawn.height() - 1);
        }
        if (m_hint && line == m_hintLine) {
            if (right - x < m_scale.pixels(NarrowestTextTwips)) {
                x = margin;
                y += drawn.height() + gap;
            }
            fitHint(x, y, right);
            bottom = std::max(bottom, m_hint->geometry().bottom());
        }
        shift += y - top;
    }
    const int height = bottom + 1 + m_scale.pixels(BottomMarginTwips);
    m_box.resize(width, height);
    return height;
}

void ToolBoxLayout::fitHint(int left, int top, int right)
{
    const int width = std::max(m_scale.pixels(NarrowestTextTwips), right - left);
    m_hint->setGeometry(left, top, width, std::max(m_hintDesigned.height(), m_hint->heightForWidth(width)));
}
