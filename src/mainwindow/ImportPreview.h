#pragma once

#include <QDialog>

class QLabel;
class QTableWidget;
class SheetImport;

// Shows what an import of spreadsheets will add before anything is
// written: how many breweries and history entries from which files, and
// the first rows as they will be stored, laid out as in the report (a
// history entry under its brewery). Import adds them, Cancel nothing.
class ImportPreview : public QDialog {
    Q_OBJECT
public:
    // `held`: the breweries the register holds already.
    ImportPreview(const SheetImport &import, qint64 held, QWidget *parent = nullptr);

    QLabel *lblCounts;
    QTableWidget *tblRows;
};
