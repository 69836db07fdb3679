#pragma once

#include "ExportOptions.h"

#include <QDialog>

class QCheckBox;
class QRadioButton;

// Asks how to export: a workbook, two CSV tables or the report's shape as
// CSV, with the options that go with each. Says which breweries go out:
// the list as the find narrows it, or the whole register.
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    ExportDialog(const QString &which, const ExportOptions &last, QWidget *parent = nullptr);
    ExportOptions options() const;

    QRadioButton *optWorkbook;
    QRadioButton *optCsvTables;
    QRadioButton *optCsvReport;
    QCheckBox *chkExcel;
    QCheckBox *chkYears;
    QCheckBox *chkGuard;

private:
    void enableOptions();
};
