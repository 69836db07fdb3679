#pragma once

#include "NotDuplicates.h"
#include "RegisterCheck.h"
#include "RuleSwitches.h"

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

// The register a check reads, and where what the check keeps and makes
// goes.
struct CheckedRegister {
    QString file;    // the register file read: the register, or a shared register's copy
    QString namedAs; // the duplicates marked as none are kept beside it, after its name
    QString folder;  // where a saved list and a PDF are proposed
    QString name;    // the register as its user knows it, in the title and headings
    // All four of a register file at `path`.
    static CheckedRegister ofFile(const QString &path);
};

// Check Register…: every finding of the whole register in a list that
// sorts by any column and narrows to one rule. The check runs beside the
// windows on a connection of its own, its progress shown; a double click
// shows the brewery (and entry) in the main window. The list saves as
// UTF-8 CSV and prints. Rules can be switched off, and a duplicate marked
// as none; both are remembered, and what they silence is not listed.
class CheckWindow : public QDialog {
    Q_OBJECT
public:
    CheckWindow(const CheckedRegister &checked, std::shared_ptr<MessageBoxes> boxes, QSettings *settings,
                QWidget *parent = nullptr);
    ~CheckWindow() override;

    bool checking() const { return m_running.valid(); }
    int findingCount() const;
    // The rows shown: all, or those of the rule chosen.
    QSortFilterProxyModel &shown() const { return *m_shown; }
    // Writes the rows shown as CSV to `path`; false after telling why not.
    bool saveList(const QString &path);
    // Marks the duplicate of the current row as none; false when the row
    // is no duplicate or the mark could not be kept (which is told).
    bool markNotDuplicate();
    // Brewery `brewery` is gone (merged into another): no finding names it
    // any more.
    void forgetBrewery(qint64 brewery);
    DocumentPrinting &printing() const { return *m_printing; }
    std::function<QString(const QString &proposed)> askListPath;

    QTableView *tblFindings;
    QComboBox *cboRule;
    QLabel *lblProgress;
    QPushButton *cmdRules;
    QPushButton *cmdNotDuplicate;
    QPushButton *cmdMerge;
    QPushButton *cmdSaveList;
    QPushButton *cmdPrint;

signals:
    // The user asked to see this brewery, and this history entry (-1: none).
    void showFinding(qint64 brewery, qint64 chronik);
    // The user asked to merge the two breweries of a duplicate.
    void mergeAsked(qint64 brewery, qint64 other);

private:
    void poll();
    void showFindings();
    void fillRules();
    void narrowToRule();
    const Finding *currentFinding() const;

    CheckedRegister m_checked;
    std::shared_ptr<MessageBoxes> m_boxes;
    FindingsModel *m_findings;
    QSortFilterProxyModel *m_shown;
    std::unique_ptr<DocumentPrinting> m_printing;
    RuleSwitches m_switches;
    NotDuplicates m_notDuplicates;
    // All the check found; the list shows what the switches and marks let
    // through.
    std::vector<Finding> m_all;
    CheckProgress m_progress;
    std::future<std::vector<Finding>> m_running;
    QTimer m_poll;
};
