#pragma once

#include "FontScale.h"

#include <QDialog>
#include <functional>
#include <memory>

class MessageBoxes;
class QPushButton;

// What the report and timeline windows share: a window made for one
// showing, which saves what it shows into the register's folder, tells
// the user through the program's message boxes and lays its controls out
// anew whenever it is resized, its designed sizes scaled by the font.
class ResultWindow : public QDialog {
    Q_OBJECT
protected:
    ResultWindow(const QString &name, const QString &saveDir, std::shared_ptr<MessageBoxes> boxes, QWidget *parent);

    // A button of the window's row. Never the default button: Enter in the
    // window neither saves nor prints.
    QPushButton *addButton(const QString &caption, const QString &name, const std::function<void()> &click);
    // Places the controls for the window's size; the window calls it once
    // its controls exist.
    virtual void arrange() = 0;
    void resizeEvent(QResizeEvent *event) override;

    // Designed twips in pixels of the window's font.
    int pixels(int designedTwips) const { return m_scale.pixels(designedTwips); }

    QString m_saveDir;
    std::shared_ptr<MessageBoxes> m_boxes;

private:
    FontScale m_scale;
};
