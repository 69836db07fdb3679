#include "CorrectionsPreview.h"

#include "CorrectionsPlan.h"
#include "ReportLine.h"
#include "ShownValue.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

using Kind = CorrectionsPlan::Kind;

// The plan's lines, read from it when painted. A conflict's box in the
// last column takes the file's value.
class Lines : public QAbstractTableModel {
public:
    enum Column { Brewery, Field, InRegister, InFile, Exported, Choice, Columns };

    Lines(CorrectionsPlan &plan, QObject *parent) : QAbstractTableModel(parent), m_plan(plan) {}
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : int(m_plan.lines().size()); }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : Columns; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const CorrectionsPlan::Line &line = m_plan.lines()[size_t(index.row())];
        if (role == Qt::CheckStateRole && index.column() == Choice && line.kind == Kind::Conflict)
            return line.takeFile ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::ForegroundRole && line.kind == Kind::Deleted && !m_plan.deletesMissing())
            return QColor(Qt::gray);
        if (role != Qt::DisplayRole)
            return {};
        const auto shown = [](const SheetCell &cell) { return ShownValue(cell ? QVariant(*cell) : QVariant()); };
        switch (index.column()) {
        case Brewery:
            return m_plan.breweryShown(line.brewery);
        case Field:
            return CorrectionsPlan::fieldShown(line);
        case InRegister:
            return line.kind == Kind::Deleted ? joined(line) : line.kind == Kind::Added ? QString() : shown(line.inRegister);
        case InFile:
            return line.kind == Kind::Added ? joined(line) : line.kind == Kind::Deleted ? QString() : shown(line.inFile);
        case Exported:
            return line.kind == Kind::Conflict ? shown(line.exported) : QString();
        default:
            switch (line.kind) {
            case Kind::Changed: return QStringLiteral("changed");
            case Kind::Conflict: return QStringLiteral("conflict: take the file's");
            case Kind::Added: return QStringLiteral("added");
            case Kind::Deleted: return m_plan.deletesMissing() ? QStringLiteral("deleted") : QStringLiteral("kept");
            }
            return {};
        }
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        Qt::ItemFlags flags = QAbstractTableModel::flags(index);
        if (index.column() == Choice && m_plan.lines()[size_t(index.row())].kind == Kind::Conflict)
            flags |= Qt::ItemIsUserCheckable;
        return flags;
    }
    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        if (role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable))
            return false;
        m_plan.takeFile(size_t(index.row()), value.toInt() == Qt::Checked);
        emit dataChanged(index, index);
        return true;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const QStringList captions = {QStringLiteral("Brewery"), QStringLiteral("Field"),
                                             QStringLiteral("In the register"), QStringLiteral("In the file"),
                                             QStringLiteral("As exported"), QStringLiteral("Change")};
        return captions.value(section);
    }
    // Every line painted again, after a choice for all of them.
    void reshow() { emit dataChanged(index(0, 0), index(rowCount({}) - 1, Columns - 1)); }

private:
    // A whole row's texts as its grid shows them: a history entry's
    // complete name first.
    static QString joined(const CorrectionsPlan::Line &line)
    {
        std::vector<SheetCell> texts = line.texts;
        if (line.chronik)
            std::rotate(texts.begin(), texts.begin() + ChronikRef::NameLong, texts.begin() + ChronikRef::NameLong + 1);
        QStringList shown;
        for (const SheetCell &text : texts) {
            if (text && !text->isEmpty())
                shown << *text;
        }
        return shown.join(QStringLiteral(" | "));
    }

    CorrectionsPlan &m_plan;
};

} // namespace

CorrectionsPreview::CorrectionsPreview(CorrectionsPlan &plan, const QString &source, QWidget *parent)
    : QDialog(parent), m_plan(plan), m_shown(new QSortFilterProxyModel(this))
{
    setWindowTitle(QStringLiteral("Corrections from %1").arg(source));
    auto *lines = new Lines(plan, this);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    QFont bold = lblSummary->font();
    bold.setBold(true);
    lblSummary->setFont(bold);
    auto *explained = new QLabel(QStringLiteral("Every change is written in one step, which Undo takes back whole. A "
                                                "conflict is a value changed in the register since the export and in "
                                                "the file too: the register's value is kept unless you tick it."),
                                 this);
    explained->setWordWrap(true);

    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("Show only the changes that hold this text"));
    txtFilter->setClearButtonEnabled(true);
    m_shown->setSourceModel(lines);
    m_shown->setFilterKeyColumn(-1);
    m_shown->setFilterCaseSensitivity(Qt::CaseInsensitive);
    connect(txtFilter, &QLineEdit::textChanged, m_shown, &QSortFilterProxyModel::setFilterFixedString);

    tblChanges = new QTableView(this);
    tblChanges->setObjectName(QStringLiteral("tblChanges"));
    tblChanges->setModel(m_shown);
    tblChanges->verticalHeader()->hide();
    tblChanges->verticalHeader()->setDefaultSectionSize(tblChanges->fontMetrics().height() + 6);
    tblChanges->horizontalHeader()->setStretchLastSection(true);
    tblChanges->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblChanges->setColumnWidth(Lines::Brewery, 220);
    tblChanges->setColumnWidth(Lines::Field, 120);

    const bool conflicts = std::ranges::any_of(plan.lines(), [](const auto &line) { return line.kind == Kind::Conflict; });
    const qint64 missing = std::ranges::count_if(plan.lines(), [](const auto &line) { return line.kind == Kind::Deleted; });
    cmdKeepRegisters = new QPushButton(QStringLiteral("&Keep the register's in every conflict"), this);
    cmdTakeFiles = new QPushButton(QStringLiteral("&Take the file's in every conflict"), this);
    cmdKeepRegisters->setEnabled(conflicts);
    cmdTakeFiles->setEnabled(conflicts);
    for (auto [button, take] : {std::pair{cmdKeepRegisters, false}, std::pair{cmdTakeFiles, true}}) {
        connect(button, &QPushButton::clicked, this, [this, lines, take] {
            m_plan.takeFileEverywhere(take);
            lines->reshow();
            changed();
        });
    }
    chkDeleteMissing = new QCheckBox(missing == 0 ? QStringLiteral("&Delete the rows the export held and the file no "
                                                                   "longer holds (the file holds them all)")
                                                  : QStringLiteral("&Delete the %1 the export held and the file no longer holds")
                                                        .arg(missing == 1 ? QStringLiteral("row")
                                                                          : QStringLiteral("%1 rows").arg(missing)),
                                     this);
    chkDeleteMissing->setEnabled(missing > 0);
    connect(chkDeleteMissing, &QCheckBox::toggled, this, [this, lines](bool remove) {
        m_plan.setDeleteMissing(remove);
        lines->reshow();
        changed();
    });
    connect(lines, &QAbstractItemModel::dataChanged, this, &CorrectionsPreview::changed);

    auto *choices = new QHBoxLayout;
    choices->addWidget(cmdKeepRegisters);
    choices->addWidget(cmdTakeFiles);
    choices->addStretch(1);
    auto *buttons = new QDialogButtonBox(this);
    cmdImport = buttons->addButton(QStringLiteral("&Import"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(explained);
    layout->addWidget(txtFilter);
    layout->addWidget(tblChanges, 1);
    layout->addLayout(choices);
    layout->addWidget(chkDeleteMissing);
    layout->addWidget(buttons);
    resize(900, 520);
    changed();
}

void CorrectionsPreview::changed()
{
    const QString summary = m_plan.summary();
    lblSummary->setText(summary.isEmpty() ? QStringLiteral("Nothing to change: the register holds every row of the file as it stands there.")
                                          : summary);
    cmdImport->setEnabled(!m_plan.changesNothing());
}
