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

void QtMessageBoxes::tell(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle, text, QMessageBox::Ok, m_parent);
    box.exec();
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
    QMessageBox::critical(m_parent, title, text);
}
