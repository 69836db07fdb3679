#pragma once

#include <QString>
#include <functional>
#include <stdexcept>

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

// Brings a saved report (Windows-1252, CR LF or LF, one line per brewery
// followed by one line per history entry behind four empty columns) into
// the register at `registerPath`, which is created empty when missing.
// The whole file is checked before anything is written, then every brewery
// and entry is added in one transaction, in file order. Throws
// ImportRefused, or StoreError when the register refuses the writes;
// either way the register is left as it was. `progress` hears of the lines
// done out of all.
ImportCounts ImportReport(const QString &reportPath, const QString &registerPath,
                          const std::function<void(qsizetype done, qsizetype total)> &progress = {});
