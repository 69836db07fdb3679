#include "MessageBoxes.h"

#include <QMessageBox>

MessageBoxes::Answer QtMessageBoxes::ask(const QString &text, Answer preselected)
{
    const QMessageBox::StandardButton preset = preselected == Answer::Yes ? QMessageBox::Yes
        : preselected == Answer::No                                       ? QMessageBox::No
                                                                          : QMessageBox::Cancel;
    const auto button = QMessageBox::question(m_parent, ProgramTitle, text,
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, preset);
    if (button == QMessageBox::Yes)
        return Answer::Yes;
    return button == QMessageBox::No ? Answer::No : Answer::Cancel;
}

void QtMessageBoxes::showOnce(bool critical, const QString &title, const QString &text)
{
    if (m_open.contains(text))
        return;
    m_open << text;
    QMessageBox box(critical ? QMessageBox::Critical : QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_parent);
    box.exec();
    m_open.removeOne(text);
}

void QtMessageBoxes::tell(const QString &text)
{
    showOnce(false, ProgramTitle, text);
}

void QtMessageBoxes::notice(const QString &text, QWidget *window)
{
    auto *box = new QMessageBox(QMessageBox::NoIcon, ProgramTitle, text, QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void QtMessageBoxes::critical(const QString &text, const QString &title)
{
    showOnce(true, title, text);
}
