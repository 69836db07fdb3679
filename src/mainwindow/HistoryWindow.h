#pragma once

#include "LogTableModel.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class ChangeHistory;
class MessageBoxes;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// Who changed what, and when: the change log of one brewery (its own
// fields and its history entries', a deleted entry too) or of the whole
// register, newest first. The register's can be narrowed by who, when,
// step and field, and saved as CSV; from either a value is put back, as a
// new edit of the register.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    struct Field {
        QString name;
        QString caption;
    };
    // `brewery`: the brewery whose history is shown; none for the
    // register's. `fields`: the fields the register's history can be
    // narrowed to, as the grids caption them.
    HistoryWindow(std::unique_ptr<ChangeHistory> history, LogTableModel::Caption caption,
                  std::optional<qint64> brewery, const QString &title, const QList<Field> &fields,
                  std::shared_ptr<MessageBoxes> boxes, QWidget *parent);
    ~HistoryWindow() override;

    LogTableModel &model() { return *m_model; }
    QTableView *table() const { return m_table; }
    // Reads the log anew, as filtered; false (and told) when it could not.
    bool reload();
    // Saves the lines the filter lets through, every one, as CSV.
    bool saveCsv(const QString &path);

    // Puts back the value of the current line; set by whoever opened it.
    std::function<void(const LogEntry &entry, const QString &field)> restore;
    // Where the list is saved; empty cancels. A file dialog unless replaced.
    std::function<QString(const QString &suggested)> askSavePath;

    QLineEdit *who = nullptr;
    QDateEdit *from = nullptr;
    QDateEdit *to = nullptr;
    QLineEdit *step = nullptr;
    QComboBox *field = nullptr;
    QPushButton *restoreButton = nullptr;
    QPushButton *saveButton = nullptr;

private:
    LogFilter filterAsSet() const;
    void currentChanged();
    void restoreCurrent();

    std::unique_ptr<ChangeHistory> m_history;
    std::unique_ptr<LogTableModel> m_model;
    std::optional<qint64> m_brewery;
    std::shared_ptr<MessageBoxes> m_boxes;
    QTableView *m_table = nullptr;
    QLabel *m_count = nullptr;
};
