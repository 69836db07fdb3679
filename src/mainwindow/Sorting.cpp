// The three sort lists: each names a column, and together they order the
// brewery list.
#include "Sudregister.h"

#include "BreweryColumns.h"
#include "BusyStep.h"
#include "ReactionScheduler.h"
#include "Register.h"

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
    // All three keys, even repeated ones, exactly as chosen.
    const QStringList fields = {SortKeyField(cmbSort1->currentText()), SortKeyField(cmbSort2->currentText()),
                                SortKeyField(cmbSort3->currentText())};
    BusyStep step(lblMessage, QStringLiteral("Sorting the breweries"));
    m_register->sortBreweries(fields, [&step](qint64 done, qint64 total) { step(done, total); });
}

void Sudregister::sortList_Click(QComboBox *list)
{
    // Only a choice made in the list that holds the focus sorts; entries
    // selected from code while another control has the focus do not.
    const QWidget *focused = focusWidget();
    if (!focused || focused->objectName() != list->objectName())
        return;
    m_work->run([this] {
        storePendingEdits();
        SortBreweries();
    });
}

void Sudregister::columnHeader_Click(int column)
{
    // A column's caption chooses it as the first key, as if picked in the
    // first sort list.
    if (column < 0 || column >= int(BreweryColumns.size()))
        return;
    cmbSort1->setFocus();
    SelectEntry(cmbSort1, column);
}
