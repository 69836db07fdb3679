#include "MenuReplace.h"

#include "DataGrid.h"
#include "GroupWrite.h"
#include "MessageBoxes.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "RegisterPlace.h"
#include "RegisterSchema.h"
#include "RegisterSync.h"
#include "ReplaceDialog.h"
#include "ReplacePlan.h"
#include "StepBesideWindow.h"

#include <QAction>
#include <QLabel>

MenuReplace::MenuReplace(Register &reg, RegisterSync &sync, ReactionScheduler &work, DataGrid &breweries,
                         QLabel *message, std::function<void()> storePendingEdits)
    : QObject(&breweries), m_register(reg), m_sync(sync), m_work(work), m_breweries(breweries), m_message(message),
      m_storePendingEdits(std::move(storePendingEdits)),
      m_action(new QAction(QStringLiteral("R&eplace…"), message->window()))
{
    m_action->setObjectName(QStringLiteral("actReplace"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    m_action->setShortcutContext(Qt::WindowShortcut);
    message->window()->addAction(m_action);
    connect(m_action, &QAction::triggered, this, [this] { m_work.run([this] { replace(); }); });
}

void MenuReplace::replace()
{
    if (!m_register.isWritable()) {
        m_work.boxes()->tell(QStringLiteral("The register %1 is open read-only; nothing can be replaced.")
                                 .arg(m_register.place().shownName()));
        return;
    }
    m_storePendingEdits();
    // The grid's columns, as captioned, the current one first chosen.
    QList<ReplaceDialog::Field> fields;
    int current = 0;
    for (int i = 0; i < m_breweries.ColumnCount(); ++i) {
        const QString field = m_breweries.Columns(i).DataField();
        if (field.isEmpty() || field.compare(RegisterSchema::BreweryKey, Qt::CaseInsensitive) == 0)
            continue;
        if (i == m_breweries.currentIndex().column())
            current = int(fields.size());
        fields.append({m_breweries.Columns(i).Caption(), field});
    }
    // The preview looks through every brewery beside the dialog, which goes
    // on answering; its Cancel leaves the dialog as it was.
    QWidget *previewing = nullptr;
    ReplaceDialog dialog(fields, current, [&](const QString &field, const TextReplace &rule) {
        const ReplacePlanner planner(m_register, field);
        const std::optional<RowChanges> plan =
            RunBesideWindow(*previewing, m_message, QStringLiteral("Looking through the breweries"),
                            [&](StepProgress &progress) {
                                return planner.plan([&rule](const QString &value) { return rule.applied(value); },
                                                    std::ref(progress));
                            });
        if (!plan)
            throw StepCancelled{};
        return *plan;
    }, m_breweries.window());
    previewing = &dialog;
    if (dialog.exec() != QDialog::Accepted || dialog.plan().empty())
        return;
    const RowChanges written = WriteGroup(m_register, dialog.plan(), dialog.stepName());
    QList<qint64> keys;
    for (const RowChange &change : written) {
        m_register.breweries()->includeInFilter(change.key);
        keys << change.key;
    }
    m_sync.placeBreweries(keys);
    m_message->setText(QStringLiteral("Replaced %1 %2 of %3.")
                           .arg(written.size())
                           .arg(written.size() == 1 ? QStringLiteral("value") : QStringLiteral("values"),
                                dialog.fieldCaption()));
}
