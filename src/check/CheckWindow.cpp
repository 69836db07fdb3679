#include "CheckWindow.h"

#include "Counted.h"
#include "CsvWriter.h"
#include "DocumentPrinting.h"
#include "FindingsModel.h"
#include "MessageBoxes.h"
#include "RegisterFile.h"
#include "StoreError.h"
#include "TablePages.h"
#include "TableRows.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <chrono>
#include <map>

namespace {

// The rows shown, as a printed table.
class ShownRows : public TableRows {
public:
    explicit ShownRows(const QAbstractItemModel &shown) : m_shown(shown) {}
    qint64 rowCount() const override { return m_shown.rowCount(); }
    QStringList cells(qint64 row) const override
    {
        QStringList values;
        for (int c = 0; c < m_shown.columnCount(); ++c)
            values << m_shown.index(int(row), c).data().toString();
        return values;
    }

private:
    const QAbstractItemModel &m_shown;
};

} // namespace

CheckedRegister CheckedRegister::ofFile(const QString &path)
{
    const QFileInfo file(path);
    return {path, path, file.absolutePath(), file.fileName()};
}

CheckWindow::CheckWindow(const CheckedRegister &checked, std::shared_ptr<MessageBoxes> boxes, QSettings *settings,
                         QWidget *parent)
    : QDialog(parent), m_checked(checked), m_boxes(std::move(boxes)), m_findings(new FindingsModel(this)),
      m_shown(new QSortFilterProxyModel(this)), m_switches(settings), m_notDuplicates(checked.namedAs)
{
    setObjectName(QStringLiteral("CheckWindow"));
    setWindowTitle(QStringLiteral("Check Register - %1").arg(checked.name));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    m_shown->setSourceModel(m_findings);
    m_shown->setFilterKeyColumn(FindingsModel::RuleColumn);

    cboRule = new QComboBox(this);
    cboRule->setObjectName(QStringLiteral("cboRule"));
    auto *ruleLabel = new QLabel(QStringLiteral("&Rule:"), this);
    ruleLabel->setBuddy(cboRule);
    lblProgress = new QLabel(this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    tblFindings = new QTableView(this);
    tblFindings->setObjectName(QStringLiteral("tblFindings"));
    tblFindings->setModel(m_shown);
    tblFindings->setSortingEnabled(true);
    tblFindings->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblFindings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblFindings->horizontalHeader()->setStretchLastSection(true);
    tblFindings->verticalHeader()->hide();
    // One line a finding, all of equal height: a list of a million findings
    // scrolls without measuring each.
    tblFindings->setWordWrap(false);
    tblFindings->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tblFindings->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    const int widths[FindingsModel::Columns - 1] = {20, 24, 16, 10, 14};
    for (int c = 0; c < FindingsModel::Columns - 1; ++c)
        tblFindings->setColumnWidth(c, fontMetrics().averageCharWidth() * widths[c]);
    cmdRules = new QPushButton(QStringLiteral("R&ules"), this);
    cmdRules->setObjectName(QStringLiteral("cmdRules"));
    auto *rules = new QMenu(cmdRules);
    rules->setToolTipsVisible(true);
    for (int r = 0; r < Finding::RuleCount; ++r) {
        const auto rule = Finding::Rule(r);
        QAction *action = rules->addAction(RuleName(rule));
        action->setObjectName(QStringLiteral("actRule") + RuleKey(rule));
        action->setToolTip(RuleExplanation(rule));
        action->setCheckable(true);
        action->setChecked(m_switches.isOn(rule));
        connect(action, &QAction::toggled, this, [this, rule](bool on) {
            m_switches.set(rule, on);
            showFindings();
        });
    }
    cmdRules->setMenu(rules);
    cmdNotDuplicate = new QPushButton(QStringLiteral("&Not a Duplicate"), this);
    cmdNotDuplicate->setObjectName(QStringLiteral("cmdNotDuplicate"));
    cmdNotDuplicate->setToolTip(QStringLiteral("Marks the two breweries of the duplicate chosen as two; the mark is kept "
                                               "beside the register and the finding stays quiet."));
    cmdNotDuplicate->setEnabled(false);
    cmdMerge = new QPushButton(QStringLiteral("&Merge…"), this);
    cmdMerge->setObjectName(QStringLiteral("cmdMerge"));
    cmdMerge->setToolTip(QStringLiteral("Makes the two breweries of the duplicate chosen one, after showing both side "
                                        "by side."));
    cmdMerge->setEnabled(false);
    cmdSaveList = new QPushButton(QStringLiteral("&Save List…"), this);
    cmdSaveList->setObjectName(QStringLiteral("cmdSaveList"));
    cmdPrint = new QPushButton(QStringLiteral("&Print…"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    auto *close = new QPushButton(QStringLiteral("Close"), this);

    auto *top = new QHBoxLayout;
    top->addWidget(ruleLabel);
    top->addWidget(cboRule, 1);
    top->addWidget(cmdRules);
    top->addWidget(lblProgress, 2);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(cmdNotDuplicate);
    bottom->addWidget(cmdMerge);
    bottom->addWidget(cmdSaveList);
    bottom->addWidget(cmdPrint);
    bottom->addStretch();
    bottom->addWidget(close);
    auto *column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(tblFindings, 1);
    column->addLayout(bottom);
    resize(900, 500);

    m_printing = std::make_unique<DocumentPrinting>(*this, m_boxes, settings, lblProgress, checked.folder);
    askListPath = [this](const QString &proposed) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save List"), proposed, QStringLiteral("CSV (*.csv)"));
    };
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(cboRule, &QComboBox::activated, this, [this] { narrowToRule(); });
    connect(tblFindings, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        const Finding &f = m_findings->finding(m_shown->mapToSource(index).row());
        emit showFinding(f.brewery, f.chronik);
    });
    connect(tblFindings->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        const Finding *f = currentFinding();
        cmdNotDuplicate->setEnabled(f && f->rule == Finding::Rule::Duplicate);
        cmdMerge->setEnabled(f && f->rule == Finding::Rule::Duplicate);
    });
    connect(cmdNotDuplicate, &QPushButton::clicked, this, [this] { markNotDuplicate(); });
    connect(cmdMerge, &QPushButton::clicked, this, [this] {
        if (const Finding *f = currentFinding(); f && f->rule == Finding::Rule::Duplicate)
            emit mergeAsked(f->brewery, f->other);
    });
    connect(cmdSaveList, &QPushButton::clicked, this, [this] {
        const QString proposed = QDir(m_checked.folder)
                                     .filePath(QStringLiteral("Sudregister_Check_%1.csv")
                                                   .arg(QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd"))));
        const QString path = askListPath(proposed);
        if (!path.isEmpty() && saveList(path))
            m_boxes->tell(QStringLiteral("Created ") + path);
    });
    connect(cmdPrint, &QPushButton::clicked, this, [this] {
        std::vector<TablePages::Column> columns;
        const qreal widths[FindingsModel::Columns] = {90, 120, 80, 50, 80, 260};
        for (int c = 0; c < FindingsModel::Columns; ++c)
            columns.push_back({m_findings->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), widths[c]});
        TablePages::Options options;
        options.title = QStringLiteral("Check");
        options.kind = QStringLiteral("Check");
        options.heading = {m_checked.name, QStringLiteral("Check: %1").arg(cboRule->currentText()),
                           QLocale().toString(QDate::currentDate(), QLocale::LongFormat)};
        options.closing = QStringLiteral("%1 findings").arg(m_shown->rowCount());
        TablePages pages(options, columns, std::make_unique<ShownRows>(*m_shown), font().family());
        m_printing->preview(pages);
    });

    // Beside the windows, on a connection of its own.
    m_running = std::async(std::launch::async, [this, file = checked.file] {
        const std::unique_ptr<RegisterFile> reader = RegisterFile::openReader(file);
        return CheckRegister(*reader, QDate::currentDate().year(), &m_progress);
    });
    lblProgress->setText(QStringLiteral("Checking the register…"));
    cmdSaveList->setEnabled(false);
    cmdPrint->setEnabled(false);
    connect(&m_poll, &QTimer::timeout, this, [this] { poll(); });
    m_poll.start(100);
}

CheckWindow::~CheckWindow()
{
    // A window closed while its check runs stops it and waits for it.
    m_progress.cancel = true;
    if (m_running.valid())
        m_running.wait();
}

int CheckWindow::findingCount() const
{
    return m_findings->rowCount();
}

void CheckWindow::poll()
{
    if (m_running.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        lblProgress->setText(QStringLiteral("Checking the register: %1 read").arg(CountedBreweries(m_progress.done.load())));
        return;
    }
    m_poll.stop();
    try {
        m_all = m_running.get();
    } catch (const StoreError &error) {
        lblProgress->setText(QStringLiteral("The register could not be checked: %1").arg(error.message()));
        return;
    }
    showFindings();
    cmdSaveList->setEnabled(true);
    cmdPrint->setEnabled(true);
}

void CheckWindow::showFindings()
{
    if (m_running.valid())
        return;
    std::vector<Finding> shown;
    for (const Finding &f : m_all) {
        if (m_switches.isOn(f.rule) && !(f.rule == Finding::Rule::Duplicate && m_notDuplicates.contains(f.brewery, f.other)))
            shown.push_back(f);
    }
    const size_t quiet = m_all.size() - shown.size();
    m_findings->setFindings(std::move(shown));
    fillRules();
    cmdNotDuplicate->setEnabled(false);
    cmdMerge->setEnabled(false);
    lblProgress->setText(quiet == 0 ? QStringLiteral("%1 findings").arg(m_findings->rowCount())
                                    : QStringLiteral("%1 findings; %2 more of rules switched off or marked no duplicate")
                                          .arg(m_findings->rowCount())
                                          .arg(quiet));
}

void CheckWindow::forgetBrewery(qint64 brewery)
{
    std::erase_if(m_all, [brewery](const Finding &f) { return f.brewery == brewery || f.other == brewery; });
    showFindings();
}

const Finding *CheckWindow::currentFinding() const
{
    const QModelIndex current = tblFindings->currentIndex();
    return current.isValid() ? &m_findings->finding(m_shown->mapToSource(current).row()) : nullptr;
}

bool CheckWindow::markNotDuplicate()
{
    const Finding *f = currentFinding();
    if (!f || f->rule != Finding::Rule::Duplicate)
        return false;
    const qint64 brewery = f->brewery, other = f->other;
    QString error;
    if (!m_notDuplicates.mark(brewery, other, &error)) {
        m_boxes->tell(QStringLiteral("The mark could not be kept: %1 could not be written (%2). Nothing was marked.")
                          .arg(QDir::toNativeSeparators(m_notDuplicates.path()), error));
        return false;
    }
    showFindings();
    lblProgress->setText(QStringLiteral("Brewery %1 is marked as no duplicate of brewery %2, in %3")
                             .arg(brewery)
                             .arg(other)
                             .arg(QDir::toNativeSeparators(m_notDuplicates.path())));
    return true;
}

void CheckWindow::fillRules()
{
    std::map<QString, int> counts;
    for (int row = 0; row < m_findings->rowCount(); ++row)
        ++counts[RuleName(m_findings->finding(row).rule)];
    const QString chosen = cboRule->currentData().toString();
    cboRule->clear();
    cboRule->addItem(QStringLiteral("All rules (%1)").arg(m_findings->rowCount()), QString());
    for (const auto &[rule, count] : counts)
        cboRule->addItem(QStringLiteral("%1 (%2)").arg(rule).arg(count), rule);
    // The rule narrowed to stays chosen while it has findings.
    cboRule->setCurrentIndex(std::max(0, cboRule->findData(chosen)));
    narrowToRule();
}

void CheckWindow::narrowToRule()
{
    const QString rule = cboRule->currentData().toString();
    m_shown->setFilterRegularExpression(rule.isEmpty() ? QString()
                                                       : QStringLiteral("^%1$").arg(QRegularExpression::escape(rule)));
}

bool CheckWindow::saveList(const QString &path)
{
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        CsvWriter csv(file, false, true);
        for (int c = 0; c < m_shown->columnCount(); ++c)
            csv.caption(m_shown->headerData(c, Qt::Horizontal).toString().toUtf8());
        csv.endRow();
        for (int row = 0; row < m_shown->rowCount(); ++row) {
            for (int c = 0; c < m_shown->columnCount(); ++c)
                csv.field(m_shown->index(row, c).data().toString().toUtf8());
            csv.endRow();
        }
        written = csv.flush() && file.commit();
    }
    if (!written)
        m_boxes->critical(QStringLiteral("The list could not be saved as %1: %2").arg(path, file.errorString()),
                          windowTitle());
    return written;
}
