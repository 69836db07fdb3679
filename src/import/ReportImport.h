#pragma once

#include "Counted.h"

#include <QString>
#include <functional>
#include <stdexcept>

class RegisterFile;

// A saved report refused as a whole: the message names the file, the line
// and what is wrong with it.
class ImportRefused : public std::runtime_error {
public:
    explicit ImportRefused(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

struct ImportCounts {
    int breweries = 0;
    int chroniks = 0;
};

// What an import added: "1 brewery and 3 history entries".
QString DescribeAdded(const ImportCounts &counts);

struct ImportOptions {
    // Add to a register that already holds breweries. Without it such a
    // register is refused: importing the same report twice would double it.
    bool append = false;
};

// The longest line a report may hold; a longer one is refused with its
// number rather than read into memory whole.
inline constexpr qsizetype MaxReportLineBytes = 64 * 1024;

// Brings a saved report (one line per brewery followed by one line per
// history entry behind four empty columns, CR LF or LF) into the register
// at `registerPath`, which is created empty when missing. The file is read
// as UTF-8 when it starts with the byte-order mark or is valid UTF-8 with
// characters beyond ASCII, and as Windows-1252 (the reports of earlier
// versions) otherwise; a file with UTF-8 lines beside others is refused.
//
// The whole file is checked in a first pass before anything is written,
// then every brewery and entry is added in one transaction, in file order,
// in a second pass that finds every line again as it writes it, by the
// digest the first pass took of it (the file may have changed meanwhile);
// neither holds more than one line's text at a time.
// A carriage return inside a value is stored as one blank. Throws
// ImportRefused, or StoreError when the register refuses the writes;
// either way the register is left as it was. `progress` hears of the lines
// done out of all.
ImportCounts ImportReport(const QString &reportPath, const QString &registerPath, const ImportOptions &options = {},
                          const std::function<void(qsizetype done, qsizetype total)> &progress = {});

// The same into a register already open, whose lock the caller holds (a
// window importing into its own register): the report's breweries are
// always added to those the register holds, in one transaction on `file`.
ImportCounts ImportReport(const QString &reportPath, RegisterFile &file,
                          const std::function<void(qsizetype done, qsizetype total)> &progress = {});
