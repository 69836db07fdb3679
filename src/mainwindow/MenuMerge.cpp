#include "MenuMerge.h"

#include "BreweryMerge.h"
#include "DataGrid.h"
#include "GroupWrite.h"
#include "MergeDialog.h"
#include "MessageBoxes.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "RegisterPlace.h"
#include "RegisterSync.h"
#include "StoreError.h"

#include <QAction>
#include <QHash>
#include <QLabel>

MenuMerge::MenuMerge(Register &reg, RegisterSync &sync, ReactionScheduler &work, DataGrid &breweries,
                     QLabel *message, std::function<void()> storePendingEdits, std::function<void()> showHistory)
    : QObject(&breweries), m_register(reg), m_sync(sync), m_work(work), m_breweries(breweries), m_message(message),
      m_storePendingEdits(std::move(storePendingEdits)), m_showHistory(std::move(showHistory)),
      m_action(new QAction(QStringLiteral("&Merge Breweries…"), message->window()))
{
    m_action->setObjectName(QStringLiteral("actMerge"));
    connect(m_action, &QAction::triggered, this, [this] {
        m_work.run([this] {
            const QList<qint64> selected = m_breweries.selectedKeys();
            if (selected.size() != 2) {
                m_work.boxes()->tell(QStringLiteral("Select the two breweries to merge: click the row selector at "
                                                    "the left of one, then Ctrl+click that of the other."));
                return;
            }
            // The brewery selected first stays, unless the user says
            // otherwise: the cursor is on the one selected last.
            const ::Recordset &listed = m_register.breweries()->Recordset();
            const int current = listed.AbsolutePosition();
            const bool lastFirst = current >= 0 && listed.keyAt(current) == selected.at(0);
            merge(selected.at(lastFirst ? 1 : 0), selected.at(lastFirst ? 0 : 1));
        });
    });
}

bool MenuMerge::merge(qint64 first, qint64 second)
{
    if (!m_register.isWritable()) {
        m_work.boxes()->tell(QStringLiteral("The register %1 is open read-only; nothing can be merged.")
                                 .arg(m_register.place().shownName()));
        return false;
    }
    m_storePendingEdits();
    BreweryMerge merge(m_register, first, second);
    QHash<QString, QString> captions;
    for (const QString &field : merge.fields())
        captions.insert(field, captionOf(field));
    MergeDialog dialog(merge, captions, m_breweries.window());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const qint64 stays = merge.key(merge.firstStays());
    const qint64 goes = merge.key(!merge.firstStays());
    const QString name = merge.value(!merge.firstStays(), QStringLiteral("BreweryName")).toString();
    try {
        WriteGroup(m_register, merge.plan(), QStringLiteral("merge of brewery %1").arg(name));
    } catch (const StoreError &e) {
        if (!e.isRowChangedElsewhere() && !e.isConstraint())
            throw;
        m_sync.reread();
        m_work.boxes()->tell(QStringLiteral("Nothing was merged: %1").arg(whatChanged(merge)));
        return false;
    }
    m_register.breweries()->includeInFilter(stays);
    m_sync.placeBreweries({stays, goes});
    ::Recordset &listed = m_register.breweries()->Recordset();
    if (const int position = listed.positionOf(stays); position >= 0) {
        listed.setAbsolutePosition(position);
        m_showHistory();
    }
    m_message->setText(QStringLiteral("Merged brewery %1 into the one that stays.").arg(name));
    emit merged(stays, goes);
    return true;
}

QString MenuMerge::whatChanged(const BreweryMerge &merge) const
{
    // Read again, each as it stands now, against the merge as it was read.
    QStringList changes;
    try {
        const BreweryMerge now(m_register, merge.key(true), merge.key(false));
        for (const bool first : {true, false}) {
            const QString name = merge.value(first, QStringLiteral("BreweryName")).toString();
            for (int field = 0; field < merge.fields().size(); ++field) {
                const QVariant was = merge.row(first).at(size_t(field));
                const QVariant is = now.row(first).at(size_t(field));
                if (was != is || was.isNull() != is.isNull())
                    changes << QStringLiteral("%1 of %2 is now \u201C%3\u201D, was \u201C%4\u201D")
                                   .arg(captionOf(merge.fields().at(field)), name, is.toString(), was.toString());
            }
            if (now.entries(first) != merge.entries(first))
                changes << QStringLiteral("%1 has %2 history entries now, had %3")
                               .arg(name)
                               .arg(now.entries(first))
                               .arg(merge.entries(first));
        }
    } catch (const StoreError &gone) {
        return gone.message();
    }
    return changes.isEmpty() ? QStringLiteral("another program or editor changed the breweries meanwhile.")
                             : QStringLiteral("since the breweries were read, ") + changes.join(QStringLiteral("; "))
            + QStringLiteral(".");
}

QString MenuMerge::captionOf(const QString &field) const
{
    for (int i = 0; i < m_breweries.ColumnCount(); ++i) {
        if (m_breweries.Columns(i).DataField().compare(field, Qt::CaseInsensitive) == 0)
            return m_breweries.Columns(i).Caption();
    }
    return QString();
}
