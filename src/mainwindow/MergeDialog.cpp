#include "MergeDialog.h"

#include "BreweryMerge.h"
#include "RegisterSchema.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString shown(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

// "Spezial, Bamberg (B1)": a brewery as the user knows it.
QString named(const BreweryMerge &merge, bool first)
{
    const auto field = [&](const char *name) { return shown(merge.value(first, QLatin1String(name))); };
    return QStringLiteral("%1, %2 (%3)").arg(field("BreweryName"), field("CityName"), field("IdCode"));
}

} // namespace

MergeDialog::MergeDialog(BreweryMerge &merge, const QHash<QString, QString> &captions, QWidget *parent)
    : QDialog(parent), m_merge(merge)
{
    setWindowTitle(QStringLiteral("Merge Breweries"));
    auto *grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    radFirstStays = new QRadioButton(named(merge, true), this);
    radSecondStays = new QRadioButton(named(merge, false), this);
    radFirstStays->setChecked(true);
    auto *staying = new QButtonGroup(this);
    staying->addButton(radFirstStays);
    staying->addButton(radSecondStays);
    grid->addWidget(new QLabel(QStringLiteral("<b>Stays:</b>"), this), 0, 0);
    grid->addWidget(radFirstStays, 0, 1);
    grid->addWidget(radSecondStays, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Field by field, the value the brewery that stays keeps:"), this), 1, 0,
                    1, 3);
    for (int field = 0; field < merge.fields().size(); ++field) {
        const QString caption = captions.value(merge.fields().at(field));
        if (caption.isEmpty() || merge.fields().at(field) == RegisterSchema::BreweryKey)
            continue;
        const QString first = shown(merge.row(true).at(size_t(field)));
        const QString second = shown(merge.row(false).at(size_t(field)));
        const auto button = [this](const QString &value) {
            return new QRadioButton(value.isEmpty() ? QStringLiteral("(empty)") : value, this);
        };
        Choice choice{caption, field, button(first), button(second)};
        // An empty value gives way to the other's.
        (first.isEmpty() && !second.isEmpty() ? choice.second : choice.first)->setChecked(true);
        auto *group = new QButtonGroup(this);
        group->addButton(choice.first);
        group->addButton(choice.second);
        const int line = grid->rowCount();
        grid->addWidget(new QLabel(caption, this), line, 0);
        grid->addWidget(choice.first, line, 1);
        grid->addWidget(choice.second, line, 2);
        connect(group, &QButtonGroup::buttonToggled, this, &MergeDialog::chosen);
        m_choices.push_back(choice);
    }
    chkKeepAsEntry = new QCheckBox(
        QStringLiteral("Keep the other brewery's ID, name and years as a history entry of the one that stays"), this);
    chkKeepAsEntry->setChecked(true);
    lblEntries = new QLabel(this);
    lblEntries->setWordWrap(true);
    connect(staying, &QButtonGroup::buttonToggled, this, &MergeDialog::chosen);
    connect(chkKeepAsEntry, &QCheckBox::toggled, this, &MergeDialog::chosen);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    cmdMerge = buttons->addButton(QStringLiteral("&Merge"), QDialogButtonBox::AcceptRole);
    cmdMerge->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(chkKeepAsEntry);
    layout->addWidget(lblEntries);
    layout->addStretch();
    layout->addWidget(buttons);
    chosen();
}

QRadioButton *MergeDialog::valueOf(const QString &caption, bool first) const
{
    for (const Choice &choice : m_choices) {
        if (choice.caption == caption)
            return first ? choice.first : choice.second;
    }
    return nullptr;
}

void MergeDialog::chosen()
{
    m_merge.setStaying(radFirstStays->isChecked());
    for (const Choice &choice : m_choices)
        m_merge.takeValue(choice.field, choice.first->isChecked());
    m_merge.keepAsEntry(chkKeepAsEntry->isChecked());
    const bool first = m_merge.firstStays();
    const int same = m_merge.identicalEntries();
    QString text = QStringLiteral("The brewery that stays keeps its %1 history %2 and takes the other's %3")
                       .arg(m_merge.entries(first))
                       .arg(m_merge.entries(first) == 1 ? QStringLiteral("entry") : QStringLiteral("entries"))
                       .arg(m_merge.entries(!first));
    if (same > 0)
        text += QStringLiteral(" (%1 the same as one it has: kept once)").arg(same);
    lblEntries->setText(text + QStringLiteral("; the other brewery is deleted. One undo takes it all back."));
}
