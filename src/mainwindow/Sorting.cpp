// The three sort lists: each names a column, and together they order the
// brewery list.
#include "Sudregister.h"

#include <QComboBox>

QString Sudregister::SortKeyField(const QString &caption)
{
    static const QList<QPair<QString, QString>> fields = {
        {QStringLiteral("BL(State)"), QStringLiteral("StateName")},
        {QStringLiteral("Reg Be(County)"), QStringLiteral("CountyName")},
        {QStringLiteral("PLZ(Postal Code)"), QStringLiteral("PostalCode")},
        {QStringLiteral("ORT(City)"), QStringLiteral("CityName")},
        {QStringLiteral("ID(ID)"), QStringLiteral("IdCode")},
        {QStringLiteral("BRAUEREI (Kürtz)(Brewery Name)"), QStringLiteral("BreweryName")},
        {QStringLiteral("*Jahr(Start Year)"), QStringLiteral("StartYear")},
        {QStringLiteral("+Jahr(End Year)"), QStringLiteral("StopYear")},
    };
    for (const auto &[text, field] : fields) {
        if (text == caption)
            return field;
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
    dsBrewery->Refresh();
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
