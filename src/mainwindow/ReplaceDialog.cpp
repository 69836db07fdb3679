#include "ReplaceDialog.h"

#include "ShownValue.h"
#include "StepBesideWindow.h"
#include "StoreError.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

// The cells of a plan, one a line: the brewery they belong to, the value
// before and after. Read from the plan when painted, so that a replace of
// 100,000 values lists at once.
class ReplaceDialog::Cells : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void show(const RowChanges *plan, const QString &field)
    {
        beginResetModel();
        m_plan = plan;
        m_column = plan && !plan->empty() ? plan->front().fields.indexOf(field) : -1;
        endResetModel();
    }
    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() || !m_plan || m_column < 0 ? 0 : int(m_plan->size());
    }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 5; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const RowChange &change = m_plan->at(size_t(index.row()));
        const auto field = [&](const RowChange::Row &row, const QString &name) {
            const qsizetype i = change.fields.indexOf(name);
            return i < 0 ? QVariant() : row.at(size_t(i));
        };
        switch (index.column()) {
        case 0: return field(*change.before, QStringLiteral("IdCode"));
        case 1: return field(*change.before, QStringLiteral("BreweryName"));
        case 2: return field(*change.before, QStringLiteral("CityName"));
        case 3: return ShownValue(change.before->at(size_t(m_column)));
        default: return ShownValue(change.after->at(size_t(m_column)));
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const QStringList captions = {QStringLiteral("ID"), QStringLiteral("Brewery"), QStringLiteral("City"),
                                             QStringLiteral("Before"), QStringLiteral("After")};
        return captions.value(section);
    }

private:
    const RowChanges *m_plan = nullptr;
    qsizetype m_column = -1;
};

ReplaceDialog::ReplaceDialog(const QList<Field> &fields, int current, Planning planning, QWidget *parent)
    : QDialog(parent), m_fields(fields), m_planning(std::move(planning)), m_cells(new Cells(this))
{
    setWindowTitle(QStringLiteral("Replace"));
    cboField = new QComboBox(this);
    for (const Field &field : fields)
        cboField->addItem(field.caption);
    cboField->setCurrentIndex(std::max(0, current));
    txtFind = new QLineEdit(this);
    txtReplacement = new QLineEdit(this);
    chkExact = new QCheckBox(QStringLiteral("Match case and accents exactly"), this);
    chkWholeValue = new QCheckBox(QStringLiteral("Whole value only (an empty text finds empty values)"), this);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Column:"), cboField);
    form->addRow(QStringLiteral("&Find:"), txtFind);
    form->addRow(QStringLiteral("Replace &with:"), txtReplacement);
    form->addRow(QString(), chkExact);
    form->addRow(QString(), chkWholeValue);

    lblCount = new QLabel(QStringLiteral("Over the breweries the list shows. Preview lists every value that changes; "
                                         "\u2423 is a blank."),
                          this);
    lblCount->setWordWrap(true);
    tblCells = new QTableView(this);
    tblCells->setModel(m_cells);
    tblCells->verticalHeader()->setDefaultSectionSize(tblCells->fontMetrics().height() + 6);
    tblCells->horizontalHeader()->setStretchLastSection(true);
    tblCells->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblCells->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto *buttons = new QDialogButtonBox(this);
    cmdPreview = buttons->addButton(QStringLiteral("&Preview"), QDialogButtonBox::ActionRole);
    cmdReplace = buttons->addButton(QStringLiteral("&Replace"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Close);
    cmdReplace->setEnabled(false);
    cmdPreview->setDefault(true);
    connect(cmdPreview, &QPushButton::clicked, this, &ReplaceDialog::preview);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cboField, &QComboBox::currentIndexChanged, this, &ReplaceDialog::outdated);
    connect(txtFind, &QLineEdit::textChanged, this, &ReplaceDialog::outdated);
    connect(txtReplacement, &QLineEdit::textChanged, this, &ReplaceDialog::outdated);
    connect(chkExact, &QCheckBox::toggled, this, &ReplaceDialog::outdated);
    connect(chkWholeValue, &QCheckBox::toggled, this, &ReplaceDialog::outdated);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblCount);
    layout->addWidget(tblCells, 1);
    layout->addWidget(buttons);
    resize(720, 480);
}

ReplaceDialog::~ReplaceDialog() = default;

TextReplace ReplaceDialog::rule() const
{
    return {txtFind->text(), txtReplacement->text(), chkExact->isChecked(), chkWholeValue->isChecked()};
}

QString ReplaceDialog::fieldCaption() const
{
    return m_fields.value(cboField->currentIndex()).caption;
}

QString ReplaceDialog::stepName() const
{
    const TextReplace shown = m_previewed;
    const QString found = shown.find.isEmpty() ? QStringLiteral("empty values") : "\u201C" + shown.find + "\u201D";
    return QStringLiteral("replace of %1 by \u201C%2\u201D in %3").arg(found, shown.replacement, fieldCaption());
}

void ReplaceDialog::preview()
{
    outdated();
    const TextReplace asked = rule();
    if (!asked.isComplete()) {
        lblCount->setText(QStringLiteral("Type the text to find, or tick \u201CWhole value only\u201D to fill empty values."));
        return;
    }
    const QString field = m_fields.value(cboField->currentIndex()).name;
    try {
        m_plan = m_planning(field, asked);
    } catch (const StoreError &e) {
        // Shown here: nothing may be thrown through the dialog's event loop.
        lblCount->setText(QStringLiteral("The register could not be read: %1").arg(e.message()));
        return;
    } catch (const StepCancelled &) {
        lblCount->setText(QStringLiteral("The preview was cancelled; nothing is replaced."));
        return;
    }
    m_previewed = asked;
    m_previewedField = field;
    m_cells->show(&m_plan, field);
    const size_t n = m_plan.size();
    lblCount->setText(n == 0 ? QStringLiteral("No value of %1 changes.").arg(fieldCaption())
                             : QStringLiteral("%1 %2 of %3 %4:")
                                   .arg(n)
                                   .arg(n == 1 ? QStringLiteral("value") : QStringLiteral("values"), fieldCaption(),
                                        n == 1 ? QStringLiteral("changes") : QStringLiteral("change")));
    cmdReplace->setEnabled(n > 0);
    cmdReplace->setDefault(n > 0);
}

void ReplaceDialog::outdated()
{
    if (m_previewedField.isEmpty())
        return;
    m_previewedField.clear();
    m_plan.clear();
    m_cells->show(nullptr, QString());
    cmdReplace->setEnabled(false);
    cmdPreview->setDefault(true);
    lblCount->setText(QStringLiteral("Preview again: what it showed is no longer what the fields say."));
}
