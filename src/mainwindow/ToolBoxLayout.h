#pragma once

#include "FontScale.h"

#include <QRect>
#include <vector>

class QLabel;
class QWidget;

// Where the tool box's controls go. A window at least as wide as designed
// shows them where they were drawn (scaled by the font); a narrower one
// keeps them in their lines but lets the groups of a line wrap, so that
// every control stays in view at small sizes and large fonts or scale
// factors. The lines are the designed ones: the jump list, New Brauerei,
// the count, the find and the buttons; the bottom line; the sort lists and
// the delete hint.
class ToolBoxLayout {
public:
    // `box` is drawn `designedSize` twips large, for a window
    // `designedWidth` twips wide.
    ToolBoxLayout(QWidget &box, const FontScale &scale, QSize designedSize, int designedWidth);

    // Controls that stay side by side, in their places at the time of the
    // call, on designed line `line`.
    void addGroup(int line, std::vector<QWidget *> controls);
    // The bottom line, as wide as the box shows.
    void setBottomLine(int line, QLabel *label);
    // The hint after the last group of its line, wrapping within the rest
    // of the line; on a line of its own when less than its designed width
    // is left.
    void setHint(int line, QLabel *hint);

    // A control of a group has grown (or shrunk back) to `width` pixels.
    void widen(QWidget *control, int width);

    // Places the controls for a box of which `width` pixels show, and
    // sizes the box. Returns the box's height.
    int arrange(int width);
    // The narrowest box that shows every group whole.
    int minimumWidth() const;

private:
    struct Group {
        int line;
        std::vector<QWidget *> controls;
        // Each control's place as drawn, in pixels of the box.
        std::vector<QRect> designed;
        QRect bounds() const;
    };

    void arrangeAsDesigned(int width);
    int flow(int width);
    void fitHint(int left, int top, int right);

    QWidget &m_box;
    FontScale m_scale;
    QSize m_designedSize;
    int m_designedWidth;
    std::vector<Group> m_groups;
    QLabel *m_bottomLine = nullptr;
    int m_bottomLineRow = 0;
    QRect m_bottomLineDesigned;
    QLabel *m_hint = nullptr;
    int m_hintLine = 0;
    QRect m_hintDesigned;
};
