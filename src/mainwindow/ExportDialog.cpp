#include "ExportDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

ExportDialog::ExportDialog(const QString &which, const ExportOptions &last, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(QStringLiteral("Export"));
    auto *column = new QVBoxLayout(this);
    auto *what = new QLabel(which, this);
    what->setWordWrap(true);
    column->addWidget(what);
    optWorkbook = new QRadioButton(QStringLiteral("&Workbook (XLSX): sheets \"Brauereien\" and \"Chronik\""), this);
    chkYears = new QCheckBox(QStringLiteral("Whole-number &years as numbers"), this);
    optCsvTables = new QRadioButton(QStringLiteral("&CSV: breweries and history as two files, and the export's stamps"), this);
    optCsvReport = new QRadioButton(QStringLiteral("CSV in the &report's shape: one file"), this);
    chkExcel = new QCheckBox(QStringLiteral("CSV for &Excel (begins with a byte-order mark)"), this);
    chkGuard = new QCheckBox(QStringLiteral("&Guard values a spreadsheet would compute (=, +, -, @) with an apostrophe;"
                                            "\nthe import takes it off again"),
                             this);
    // Each option stands indented under the format it belongs to.
    const auto indented = [this, column](QWidget *option) {
        auto *row = new QHBoxLayout;
        row->addSpacing(style()->pixelMetric(QStyle::PM_IndicatorWidth) + 6);
        row->addWidget(option);
        column->addLayout(row);
    };
    column->addWidget(optWorkbook);
    indented(chkYears);
    column->addWidget(optCsvTables);
    column->addWidget(optCsvReport);
    indented(chkExcel);
    indented(chkGuard);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Export…"));
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    switch (last.format) {
    case ExportOptions::Format::Xlsx:
        optWorkbook->setChecked(true);
        break;
    case ExportOptions::Format::CsvTables:
        optCsvTables->setChecked(true);
        break;
    case ExportOptions::Format::CsvReport:
        optCsvReport->setChecked(true);
        break;
    }
    chkExcel->setChecked(last.byteOrderMark);
    chkYears->setChecked(last.yearsAsNumbers);
    chkGuard->setChecked(last.guardFormulas);
    for (QRadioButton *format : {optWorkbook, optCsvTables, optCsvReport})
        connect(format, &QRadioButton::toggled, this, [this] { enableOptions(); });
    enableOptions();
}

void ExportDialog::enableOptions()
{
    chkYears->setEnabled(optWorkbook->isChecked());
    chkExcel->setEnabled(!optWorkbook->isChecked());
    chkGuard->setEnabled(!optWorkbook->isChecked());
}

ExportOptions ExportDialog::options() const
{
    ExportOptions chosen;
    chosen.format = optWorkbook->isChecked()    ? ExportOptions::Format::Xlsx
                    : optCsvTables->isChecked() ? ExportOptions::Format::CsvTables
                                                : ExportOptions::Format::CsvReport;
    chosen.byteOrderMark = chkExcel->isChecked();
    chosen.yearsAsNumbers = chkYears->isChecked();
    chosen.guardFormulas = chkGuard->isChecked();
    return chosen;
}
