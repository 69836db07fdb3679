#include "ImportPreview.h"

#include "Counted.h"
#include "ReportLine.h"
#include "ScreenFit.h"
#include "SheetImport.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ImportPreview::ImportPreview(const SheetImport &import, qint64 held, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Import"));
    auto *layout = new QVBoxLayout(this);
    const ImportCounts &counts = import.counts();
    lblCounts = new QLabel(QStringLiteral("%1 and %2 from %3")
                               .arg(Counted(counts.breweries, "brewery", "breweries"),
                                    Counted(counts.chroniks, "history entry", "history entries"), import.source()),
                           this);
    lblCounts->setObjectName(QStringLiteral("lblImportCounts"));
    lblCounts->setWordWrap(true);
    QFont bold = lblCounts->font();
    bold.setBold(true);
    lblCounts->setFont(bold);
    layout->addWidget(lblCounts);
    if (held > 0) {
        auto *added = new QLabel(QStringLiteral("They are added to the %1 the register holds. An import cannot be "
                                                "undone; the backups folder holds the register as it was opened.")
                                     .arg(Counted(held, "brewery", "breweries")),
                                 this);
        added->setWordWrap(true);
        layout->addWidget(added);
    }
    layout->addWidget(new QLabel(QStringLiteral("The first rows as they will be stored:"), this));

    QStringList captions;
    for (const auto &column : ReportLine::BreweryColumns)
        captions << QString::fromUtf8(column.caption);
    captions << QString::fromUtf8(ReportLine::ChronikColumns[ChronikRef::NameLong].caption);
    const std::vector<ImportRow> &rows = import.firstRows();
    tblRows = new QTableWidget(int(rows.size()), int(captions.size()), this);
    tblRows->setObjectName(QStringLiteral("tblImportRows"));
    tblRows->setHorizontalHeaderLabels(captions);
    tblRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblRows->verticalHeader()->hide();
    tblRows->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    for (int r = 0; r < int(rows.size()); ++r) {
        const ImportRow &row = rows[size_t(r)];
        // A history entry's texts stand in the columns of the brewery's of
        // the same field, behind the four the brewery alone has.
        for (int t = 0; t < int(row.values.size()); ++t) {
            const int column = row.chronik ? (t == ChronikRef::NameLong ? ReportLine::BreweryWidth : ReportLine::ChronikIndent + t) : t;
            if (row.values[size_t(t)])
                tblRows->setItem(r, column, new QTableWidgetItem(*row.values[size_t(t)]));
        }
    }
    tblRows->resizeColumnsToContents();
    layout->addWidget(tblRows, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    QPushButton *importButton = buttons->addButton(QStringLiteral("Import"), QDialogButtonBox::AcceptRole);
    importButton->setObjectName(QStringLiteral("cmdImport"));
    importButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    const QFontMetrics metrics = fontMetrics();
    resize(fittedToScreen(QSize(metrics.averageCharWidth() * 130, metrics.height() * 28), *this));
}
