#include "MenuImport.h"

#include "BusyStep.h"
#include "CancellableStep.h"
#include "CorrectionsFile.h"
#include "CorrectionsPlan.h"
#include "CorrectionsPreview.h"
#include "DataSource.h"
#include "GroupWrite.h"
#include "ImportPreview.h"
#include "MessageBoxes.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "RegisterSync.h"
#include "ReportImport.h"
#include "SheetImport.h"
#include "StepBesideWindow.h"
#include "StoreError.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

MenuImport::MenuImport(Register &reg, RegisterSync &sync, ReactionScheduler &work, QLabel *message,
                       std::function<void()> storePendingEdits)
    : m_register(reg), m_sync(sync), m_work(work), m_boxes(work.boxes()), m_message(message),
      m_storePendingEdits(std::move(storePendingEdits))
{
}

bool MenuImport::readyToImport()
{
    if (!m_register.isWritable()) {
        m_boxes->tell(QStringLiteral("The register %1 is open read-only; nothing was imported.")
                          .arg(m_register.place().shownName()));
        return false;
    }
    m_storePendingEdits();
    return true;
}

bool MenuImport::importFiles(const QStringList &paths)
{
    if (paths.size() == 1 && paths.first().endsWith(QLatin1String(".lst"), Qt::CaseInsensitive))
        return importReport(paths.first());
    if (paths.size() == 1 && CorrectionsFile::isExport(paths.first())) {
        switch (m_boxes->ask(QStringLiteral("%1 is an export of a register. Update the breweries and history entries "
                                            "it names?\n\nYes: update them; you see every change before anything is "
                                            "written.\nNo: add all its rows as new breweries.")
                                 .arg(QDir::toNativeSeparators(paths.first())))) {
        case MessageBoxes::Answer::Yes:
            return importCorrections(paths.first());
        case MessageBoxes::Answer::No:
            break;
        case MessageBoxes::Answer::Cancel:
            return false;
        }
    }
    return importSheets(paths);
}

bool MenuImport::importCorrections(const QString &path)
{
    if (!readyToImport())
        return false;
    return run(QStringLiteral("changed"), [&](QString &source) -> std::optional<QString> {
        source = QDir::toNativeSeparators(path);
        std::optional<CorrectionsFile> file;
        std::optional<CorrectionsPlan> plan;
        // Compared with what other editors of a shared register have
        // committed until now, heard or not yet; before the busy step, which
        // would hold it back until it ends.
        m_register.catchUp();
        RunBesideWindow(*m_message->window(), m_message, QStringLiteral("Reading %1").arg(source),
                        [&](StepProgress &progress) {
                            file.emplace(path, [&progress](qint64 done, qint64 total) { progress.tell(done, total); });
                        });
        source = file->source();
        {
            // On the register's own connection, whose rows the plan names;
            // the window answers between two looks, and a Cancel stops it.
            CancellableStep comparing(*m_message->window(), m_message,
                                      QStringLiteral("Comparing %1 with the register").arg(source));
            plan.emplace(m_register, *file, [&comparing](qint64 done, qint64 total) {
                if (!comparing(int(total > 0 ? done * 1000 / total : 0)))
                    throw StepCancelled{};
            });
        }
        CorrectionsPreview preview(*plan, source, m_message->window());
        if (preview.exec() != QDialog::Accepted || plan->changesNothing())
            return std::nullopt;
        const QString summary = plan->summary();
        BusyStep busy(m_message, QStringLiteral("Writing the corrections from %1").arg(source));
        const RowChanges written =
            WriteGroup(m_register, plan->changes(), QStringLiteral("corrections from %1").arg(QFileInfo(path).fileName()));
        QList<qint64> breweries;
        for (const RowChange &change : written) {
            const qsizetype parent = change.fields.indexOf(RegisterSchema::ChronikParent);
            const qint64 brewery = change.table == RegisterSchema::BreweryTable || parent < 0
                ? change.key
                : (change.after ? *change.after : *change.before).at(size_t(parent)).toLongLong();
            if (!breweries.contains(brewery))
                breweries << brewery;
        }
        for (qint64 brewery : breweries)
            m_register.breweries()->includeInFilter(brewery);
        m_sync.placeBreweries(breweries);
        return QStringLiteral("Corrections written: %1").arg(summary);
    });
}

bool MenuImport::importReport(const QString &reportPath)
{
    const QString shownPath = m_register.place().shownName();
    if (!readyToImport())
        return false;
    // Importing the same report twice would double it: a register that
    // holds breweries asks first.
    const qint64 held = m_register.breweriesStored();
    if (held > 0
        && m_boxes->ask(QStringLiteral("The register %1 already holds %2. Add the breweries of %3 to them?\n\n"
                                       "An import cannot be undone; the backups folder holds the register as it "
                                       "was opened.")
                            .arg(shownPath, CountedBreweries(held), QDir::toNativeSeparators(reportPath)),
                        MessageBoxes::Answer::No)
               != MessageBoxes::Answer::Yes)
        return false;
    return run(QStringLiteral("added"), [&](QString &source) -> std::optional<QString> {
        source = QDir::toNativeSeparators(reportPath);
        BusyStep busy(m_message, QStringLiteral("Importing the report"));
        const ImportCounts counts =
            ImportReport(reportPath, m_register.file(), [&busy](qsizetype done, qsizetype total) { busy(done, total); });
        return added(counts, source);
    });
}

bool MenuImport::importSheets(const QStringList &paths)
{
    if (paths.isEmpty() || !readyToImport())
        return false;
    return run(QStringLiteral("added"), [&](QString &source) -> std::optional<QString> {
        SheetImport import(paths);
        source = import.source();
        // The files alone are read, beside the window.
        RunBesideWindow(*m_message->window(), m_message, QStringLiteral("Reading %1").arg(source),
                        [&](StepProgress &progress) {
                            import.survey([&progress](qint64 done, qint64 total) { progress.tell(done, total); });
                        });
        ImportPreview preview(import, m_register.breweriesStored(), m_message->window());
        if (preview.exec() != QDialog::Accepted)
            return std::nullopt;
        // Written on the register's own connection in one transaction, which
        // a Cancel rolls back whole; at the end, the rows are in.
        CancellableStep writing(*m_message->window(), m_message, QStringLiteral("Importing %1").arg(source));
        return added(import.write(m_register.file(),
                                  [&writing](qint64 done, qint64 total) {
                                      if (!writing(int(total > 0 ? done * 1000 / total : 0)) && done < total)
                                          throw StepCancelled{};
                                  }),
                     source);
    });
}

QString MenuImport::added(const ImportCounts &counts, const QString &source)
{
    m_sync.reread();
    return QStringLiteral("Added %1 from %2").arg(DescribeAdded(counts), source);
}

bool MenuImport::run(const QString &done, const std::function<std::optional<QString>(QString &source)> &import)
{
    QString source;
    std::optional<QString> outcome;
    try {
        outcome = import(source);
    } catch (const StepCancelled &) {
        m_message->setText(QStringLiteral("The import was cancelled; nothing was %1.").arg(done));
        return false;
    } catch (const ImportRefused &e) {
        m_boxes->critical(QStringLiteral("Refused, nothing was %1: %2").arg(done, e.message()), ProgramTitle);
        return false;
    } catch (const StoreError &e) {
        // The loss of a shared register's server is told once, in words for
        // an import: nothing was typed that waits to be stored. Told already,
        // the import's outcome stands in the bottom line.
        const QString lost = QStringLiteral("Nothing was %1: the connection to the shared register %2 was lost. "
                                            "Import again once the server answers.")
                                 .arg(done, m_register.place().shownName());
        if (!e.isConnectionLost())
            m_boxes->critical(QStringLiteral("Nothing was %1: %2").arg(done, e.message()), ProgramTitle);
        else if (m_work.isConnectionLost())
            m_message->setText(lost);
        else
            m_work.stepLostConnection(lost);
        return false;
    }
    if (!outcome)
        return false;
    m_message->setText(*outcome);
    return true;
}
