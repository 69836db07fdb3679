#include "ResultWindow.h"

#include "MessageBoxes.h"

#include <QPushButton>

ResultWindow::ResultWindow(const QString &name, const QString &saveDir, std::shared_ptr<MessageBoxes> boxes,
                           QWidget *parent)
    : QDialog(parent), m_saveDir(saveDir), m_boxes(std::move(boxes)), m_scale(font())
{
    setObjectName(name);
    setWindowTitle(name);
}

QPushButton *ResultWindow::addButton(const QString &caption, const QString &name, const std::function<void()> &click)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, click);
    return button;
}

void ResultWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    arrange();
}
