#include "MenuImport.h"

#include "BusyStep.h"
#include "ImportPreview.h"
#include "MessageBoxes.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "RegisterFile.h"
#include "RegisterSync.h"
#include "ReportImport.h"
#include "SheetImport.h"
#include "StoreError.h"

#include <QDir>
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
    return importSheets(paths);
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
    return run([&](QString &source) -> std::optional<ImportCounts> {
        source = QDir::toNativeSeparators(reportPath);
        BusyStep busy(m_message, QStringLiteral("Importing the report"));
        return ImportReport(reportPath, m_register.file(), [&busy](qsizetype done, qsizetype total) { busy(done, total); });
    });
}

bool MenuImport::importSheets(const QStringList &paths)
{
    if (paths.isEmpty() || !readyToImport())
        return false;
    return run([&](QString &source) -> std::optional<ImportCounts> {
        SheetImport import(paths);
        source = import.source();
        {
            BusyStep busy(m_message, QStringLiteral("Reading %1").arg(source));
            import.survey([&busy](qint64 done, qint64 total) { busy(done, total); });
        }
        ImportPreview preview(import, m_register.breweriesStored(), m_message->window());
        if (preview.exec() != QDialog::Accepted)
            return std::nullopt;
        BusyStep busy(m_message, QStringLiteral("Importing %1").arg(source));
        return import.write(m_register.file(), [&busy](qint64 done, qint64 total) { busy(done, total); });
    });
}

bool MenuImport::run(const std::function<std::optional<ImportCounts>(QString &source)> &import)
{
    QString source;
    std::optional<ImportCounts> counts;
    try {
        counts = import(source);
    } catch (const ImportRefused &e) {
        m_boxes->critical(QStringLiteral("Refused, nothing was added: %1").arg(e.message()), ProgramTitle);
        return false;
    } catch (const StoreError &e) {
        // The loss of a shared register's server is told once, in words for
        // an import: nothing was typed that waits to be stored. Told already,
        // the import's outcome stands in the bottom line.
        const QString lost = QStringLiteral("Nothing was added: the connection to the shared register %1 was lost. "
                                            "Import again once the server answers.")
                                 .arg(m_register.place().shownName());
        if (!e.isConnectionLost())
            m_boxes->critical(QStringLiteral("Nothing was added: %1").arg(e.message()), ProgramTitle);
        else if (m_work.isConnectionLost())
            m_message->setText(lost);
        else
            m_work.stepLostConnection(lost);
        return false;
    }
    if (!counts)
        return false;
    m_sync.reread();
    m_message->setText(QStringLiteral("Added %1 from %2").arg(DescribeAdded(*counts), source));
    return true;
}
