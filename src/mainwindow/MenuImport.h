#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

struct ImportCounts;
class MessageBoxes;
class QLabel;
class ReactionScheduler;
class Register;
class RegisterSync;

// Import… from the menu: a saved report, or workbooks and CSV files, added
// to the open register by the importer's own code, on this window's
// connection (whose lock the window holds), with progress in the bottom
// line.
class MenuImport {
public:
    MenuImport(Register &reg, RegisterSync &sync, ReactionScheduler &work, QLabel *message,
               std::function<void()> storePendingEdits);

    // Adds the breweries of the saved report at `reportPath`, asking first
    // when the register holds breweries already. Refusals and failures are
    // shown; returns whether the report was added.
    bool importReport(const QString &reportPath);
    // Adds the breweries of workbooks or CSV files once the user has seen
    // what they hold and said Import. Refusals and failures are shown;
    // returns whether they were added.
    bool importSheets(const QStringList &paths);
    // Updates the breweries and history entries an export of this register
    // names, as corrected in `path` elsewhere, once the user has seen every
    // change and said Import: one step of the undo history. Refusals and
    // failures are shown; returns whether anything was written.
    bool importCorrections(const QString &path);
    // A saved report (".lst") alone goes to importReport(), an export with
    // its stamps to importCorrections() or importSheets() as the user says,
    // anything else to importSheets().
    bool importFiles(const QStringList &paths);

private:
    // Whether an import may begin: not into a register open read-only
    // (which says so); edits in progress are stored first.
    bool readyToImport();
    // Runs `import`, which names its `source` and writes what it read,
    // giving the words for the bottom line, or nothing (cancelled), or
    // throws; then says what was written, or why nothing was (`done`:
    // "added", "changed").
    // The register read anew after an add, and what it says.
    QString added(const ImportCounts &counts, const QString &source);
    bool run(const QString &done, const std::function<std::optional<QString>(QString &source)> &import);

    Register &m_register;
    RegisterSync &m_sync;
    ReactionScheduler &m_work;
    std::shared_ptr<MessageBoxes> m_boxes;
    QLabel *m_message;
    std::function<void()> m_storePendingEdits;
};
