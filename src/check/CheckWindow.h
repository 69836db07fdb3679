#pragma once

#include "RegisterCheck.h"

#include <QDialog>
#include <QTimer>
#include <future>
#include <memory>

class DocumentPrinting;
class FindingsModel;
class MessageBoxes;
class QComboBox;
class QLabel;
class QPushButton;
class QSettings;
class QSortFilterProxyModel;
class QTableView;

// Check Register…: every finding of the whole register in a list that
// sorts by any column and narrows to one rule. The check runs beside the
// windows on a connection of its own, its progress shown; a double click
// shows the brewery (and entry) in the main window. The list saves as
// UTF-8 CSV and prints.
class CheckWindow : public QDialog {
    Q_OBJECT
public:
    CheckWindow(const QString &registerPath, std::shared_ptr<MessageBoxes> boxes, QSettings *settings,
                QWidget *parent = nullptr);
    ~CheckWindow() override;

    bool checking() const { return m_running.valid(); }
    int findingCount() const;
    // The rows shown: all, or those of the rule chosen.
    QSortFilterProxyModel &shown() const { return *m_shown; }
    // Writes the rows shown as CSV to `path`; false after telling why not.
    bool saveList(const QString &path);
    DocumentPrinting &printing() const { return *m_printing; }
    std::function<QString(const QString &proposed)> askListPath;

    QTableView *tblFindings;
    QComboBox *cboRule;
    QLabel *lblProgress;
    QPushButton *cmdSaveList;
    QPushButton *cmdPrint;

signals:
    // The user asked to see this brewery, and this history entry (-1: none).
    void showFinding(qint64 brewery, qint64 chronik);

private:
    void poll();
    void fillRules();

    QString m_registerPath;
    std::shared_ptr<MessageBoxes> m_boxes;
    FindingsModel *m_findings;
    QSortFilterProxyModel *m_shown;
    std::unique_ptr<DocumentPrinting> m_printing;
    CheckProgress m_progress;
    std::future<std::vector<Finding>> m_running;
    QTimer m_poll;
};
