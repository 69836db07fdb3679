#pragma once

#include <QDialog>

class CorrectionsPlan;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

// Shows every change corrections from a file would make before anything is
// written: a count, then each cell as brewery / field / register → file,
// each conflict with the value exported and a box that takes the file's
// value, the rows added, and the rows the file no longer holds, which are
// deleted only when asked. The list narrows to what the filter field holds.
// Import writes what is chosen, Cancel nothing.
class CorrectionsPreview : public QDialog {
    Q_OBJECT
public:
    CorrectionsPreview(CorrectionsPlan &plan, const QString &source, QWidget *parent = nullptr);

    QLabel *lblSummary;
    QLineEdit *txtFilter;
    QTableView *tblChanges;
    QPushButton *cmdKeepRegisters;
    QPushButton *cmdTakeFiles;
    QCheckBox *chkDeleteMissing;
    QPushButton *cmdImport;

private:
    void changed();

    CorrectionsPlan &m_plan;
    QSortFilterProxyModel *m_shown;
};
