// The three sort lists: each names a column and, beside it, its direction;
// together they order the brewery list. A caption makes its column the
// first key, and a second click on it turns that key round; the history
// grid's captions order the shown brewery's entries the same way.
#include "Sudregister.h"

#include "BreweryColumns.h"
#include "BusyStep.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "SortDirection.h"

#include <QComboBox>
#include <QHeaderView>

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
    const QList<bool> descending = {tglSort1->isDescending(), tglSort2->isDescending(), tglSort3->isDescending()};
    BusyStep step(lblMessage, QStringLiteral("Sorting the breweries"));
    m_register->sortBreweries(fields, [&step](qint64 done, qint64 total) { step(done, total); }, descending);
    // The first key's caption shows its direction.
    QHeaderView *captions = grdBrauerien->horizontalHeader();
    captions->setSortIndicatorShown(cmbSort1->currentIndex() >= 0);
    captions->setSortIndicator(cmbSort1->currentIndex(),
                               tglSort1->isDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
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

void Sudregister::sortDirection_Click()
{
    m_work->run([this] {
        storePendingEdits();
        SortBreweries();
    });
}

void Sudregister::columnHeader_Click(int column)
{
    // A column's caption chooses it as the first key, ascending, as if
    // picked in the first sort list; the caption of the first key turns
    // it round.
    if (column < 0 || column >= int(BreweryColumns.size()))
        return;
    if (cmbSort1->currentIndex() == column) {
        tglSort1->setDescending(!tglSort1->isDescending());
        sortDirection_Click();
        return;
    }
    tglSort1->setDescending(false);
    cmbSort1->setFocus();
    SelectEntry(cmbSort1, column);
}

void Sudregister::chronikHeader_Click(int column)
{
    if (column < 0 || column >= grdChronik->ColumnCount())
        return;
    m_work->run([this, column] {
        storePendingEdits();
        // The caption's own arrow has turned at the click already; the
        // register's order decides.
        const QString field = grdChronik->Columns(column).DataField();
        const bool descending = m_register->historyOrderField() == field && !m_register->historyDescending();
        m_register->setHistoryOrder(field, descending);
        QHeaderView *captions = grdChronik->horizontalHeader();
        captions->setSortIndicatorShown(true);
        captions->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        ShowChronik();
    });
}
