#include "HistoryWindow.h"

#include "ChangeHistory.h"
#include "CsvWriter.h"
#include "MessageBoxes.h"
#include "StoreError.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The earliest date the "from" and "to" fields offer; shown as "any".
const QDate AnyDate(2000, 1, 1);

QDateEdit *dateField(QWidget *parent)
{
    auto *edit = new QDateEdit(parent);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setMinimumDate(AnyDate);
    edit->setSpecialValueText(QStringLiteral("any"));
    edit->setDate(AnyDate);
    return edit;
}

} // namespace

HistoryWindow::HistoryWindow(std::unique_ptr<ChangeHistory> history, LogTableModel::Caption caption,
                             std::optional<qint64> brewery, const QString &title, const QList<Field> &fields,
                             std::shared_ptr<MessageBoxes> boxes, QWidget *parent)
    : QWidget(parent, Qt::Window), m_history(std::move(history)),
      m_model(std::make_unique<LogTableModel>(*m_history, std::move(caption))), m_brewery(brewery),
      m_boxes(std::move(boxes))
{
    setObjectName(QStringLiteral("frmHistory"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    askSavePath = [this](const QString &suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save History"), suggested,
                                            QStringLiteral("CSV files (*.csv)"));
    };

    auto *layout = new QVBoxLayout(this);
    if (!m_brewery) {
        auto *filters = new QHBoxLayout;
        who = new QLineEdit(this);
        who->setPlaceholderText(QStringLiteral("anyone"));
        who->setToolTip(QStringLiteral("A login name, or %1").arg(LogFilter::anotherProgram()));
        from = dateField(this);
        to = dateField(this);
        step = new QLineEdit(this);
        step->setPlaceholderText(QStringLiteral("any step"));
        field = new QComboBox(this);
        field->addItem(QStringLiteral("any field"), QString());
        for (const Field &f : fields)
            field->addItem(f.caption, f.name);
        const auto labelled = [&](const QString &text, QWidget *widget) {
            auto *label = new QLabel(text, this);
            label->setBuddy(widget);
            filters->addWidget(label);
            filters->addWidget(widget, 1);
        };
        labelled(QStringLiteral("&Who:"), who);
        labelled(QStringLiteral("&From:"), from);
        labelled(QStringLiteral("&To:"), to);
        labelled(QStringLiteral("&Step:"), step);
        labelled(QStringLiteral("F&ield:"), field);
        layout->addLayout(filters);
        for (QLineEdit *edit : {who, step})
            connect(edit, &QLineEdit::editingFinished, this, [this] { reload(); });
        for (QDateEdit *edit : {from, to})
            connect(edit, &QDateEdit::dateChanged, this, [this] { reload(); });
        connect(field, &QComboBox::currentIndexChanged, this, [this] { reload(); });
    }

    m_table = new QTableView(this);
    m_table->setModel(m_model.get());
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int widths[LogTableModel::Columns] = {150, 130, 170, 70, 220, 130, 170, 170};
    for (int column = 0; column < LogTableModel::Columns; ++column)
        m_table->setColumnWidth(column, widths[column]);
    layout->addWidget(m_table, 1);

    auto *buttons = new QHBoxLayout;
    m_count = new QLabel(this);
    buttons->addWidget(m_count, 1);
    restoreButton = new QPushButton(QStringLiteral("&Restore this value"), this);
    restoreButton->setToolTip(QStringLiteral("Puts the value before this change back, as a new edit that Undo takes "
                                             "back; a deleted row is added again."));
    saveButton = new QPushButton(QStringLiteral("Save as &CSV…"), this);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(restoreButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(restoreButton, &QPushButton::clicked, this, [this] { restoreCurrent(); });
    connect(saveButton, &QPushButton::clicked, this, [this] {
        const QString path = askSavePath(QDir::home().filePath(QStringLiteral("history.csv")));
        if (!path.isEmpty())
            saveCsv(path);
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { currentChanged(); });
    connect(m_model.get(), &QAbstractItemModel::modelReset, this, [this] { currentChanged(); });
    resize(1260, 560);
}

HistoryWindow::~HistoryWindow()
{
    // The view lets go of the model before the model and its log go.
    m_table->setModel(nullptr);
}

LogFilter HistoryWindow::filterAsSet() const
{
    LogFilter filter;
    filter.brewery = m_brewery;
    if (m_brewery)
        return filter;
    filter.who = who->text().trimmed();
    // Whole days as the desktop counts them: "to" includes its day.
    if (from->date() != AnyDate)
        filter.from = from->date().startOfDay();
    if (to->date() != AnyDate)
        filter.to = to->date().addDays(1).startOfDay();
    filter.step = step->text().trimmed();
    filter.field = field->currentData().toString();
    return filter;
}

bool HistoryWindow::reload()
{
    try {
        if (!m_history->kept()) {
            m_count->setText(QStringLiteral("The shared register's server keeps no history yet; its administrator "
                                            "adds it by running scripts/setup-shared-register again."));
            return true;
        }
        m_model->setFilter(filterAsSet());
    } catch (const StoreError &e) {
        m_boxes->critical(e.message(), windowTitle());
        return false;
    }
    if (m_model->rowCount() > 0)
        m_table->selectRow(0);
    currentChanged();
    return true;
}

void HistoryWindow::currentChanged()
{
    const int row = m_table->currentIndex().row();
    const LogEntry::Field *chosen = row >= 0 ? m_model->fieldAt(row) : nullptr;
    const bool hasBefore = chosen && chosen->before && m_model->entryAt(row).kind != LogEntry::Kind::Added;
    restoreButton->setEnabled(bool(restore) && hasBefore);
    const int lines = m_model->rowCount();
    m_count->setText(lines == 0 ? QStringLiteral("No changes recorded.")
                                : QStringLiteral("%1 changed values%2, newest first.")
                                      .arg(lines)
                                      .arg(m_model->canFetchMore({}) ? QStringLiteral(" shown so far") : QString()));
}

void HistoryWindow::restoreCurrent()
{
    const int row = m_table->currentIndex().row();
    const LogEntry::Field *chosen = row >= 0 ? m_model->fieldAt(row) : nullptr;
    if (!chosen || !restore)
        return;
    // Copied: the list is read anew after the restore.
    const LogEntry entry = m_model->entryAt(row);
    restore(entry, chosen->name);
}

bool HistoryWindow::saveCsv(const QString &path)
{
    try {
        m_model->fetchAll();
    } catch (const StoreError &e) {
        m_boxes->critical(e.message(), windowTitle());
        return false;
    }
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        CsvWriter csv(file, true, true);
        for (int column = 0; column < LogTableModel::Columns; ++column)
            csv.caption(m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toUtf8());
        csv.endRow();
        for (int row = 0; row < m_model->rowCount(); ++row) {
            for (int column = 0; column < LogTableModel::Columns; ++column)
                csv.field(m_model->text(row, column).toUtf8());
            csv.endRow();
        }
        written = csv.flush() && file.commit();
    }
    if (!written) {
        m_boxes->critical(QStringLiteral("The history could not be saved as %1: %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()),
                          windowTitle());
        return false;
    }
    m_count->setText(QStringLiteral("Saved %1 changed values as %2.").arg(m_model->rowCount()).arg(QDir::toNativeSeparators(path)));
    return true;
}
