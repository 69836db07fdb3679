// The three sort lists: each names a column, and together they order the
// brewery list.
#include "Sudregister.h"

#include "BreweryColumns.h"
#include "BusyStep.h"

#include <QComboBox>

QString Sudregister::SortKeyField(const QString &caption)
{
    for (const BreweryColumn &column : BreweryColumns) {
        if (column.sortCaption == caption)
            return column.field;
    }
    return QString();
}

void Sudregister::SortBreweries()
{
    const QString key1 = SortKeyField(cmbSort1->currentText());
    const QString key2 = SortKeyField(cmbSort2->currentText());
    const QString key3 = SortKeyField(cmbSort3->currentText());
    // All three keys, even repeated ones, exactly as chosen.
    const QString order = key1 + ", " + key2 + ", " + key3;
    dsBrewery->setRecordsetType(DataSource::Dynaset);
    dsBrewery->setRecordSource("select * from Brewery Order By " + order);
    BusyStep step(lblMessage, QStringLiteral("Sorting the breweries"));
    dsBrewery->Refresh([&step](qint64 done, qint64 total) { step(done, total); });
}

void Sudregister::sortList_Click(QComboBox *list)
{
    // Only a choice made in the list that holds the focus sorts; entries
    // selected from code while another control has the focus do not.
    const QWidget *focused = focusWidget();
    if (!focused || focused->objectName() != list->objectName())
        return;
    guard([this] {
        storePendingEdits();
        SortBreweries();
    });
}
