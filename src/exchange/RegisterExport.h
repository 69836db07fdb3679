#pragma once

#include "ExportOptions.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class RegisterFile;

// The tables of an export: the breweries with their key and the history
// entries with their brewery's key and ID, under the grids' captions.
namespace ExportSheets {
inline const QString Breweries = QStringLiteral("Brauereien");
inline const QString Chroniks = QStringLiteral("Chronik");
// Hidden in a workbook, a third file beside two CSV tables: see ExportStamps.
inline const QString Stamps = QStringLiteral("Stand");
QStringList breweryHeader();
QStringList chronikHeader();
QStringList reportHeader();
// The files of two CSV tables chosen under `path`: "x-Brauereien.csv" and
// "x-Chronik.csv" for "x.csv", as Calc names a workbook's sheets, and their
// stamps beside them, "x-Stand.csv".
QString tableFile(const QString &path, const QString &sheet);
// When `path` is one of an export's CSV files ("x-Chronik.csv"), those of
// `sheets` that stand beside it, `path` itself left out.
QStringList tablesBeside(const QString &path, const QStringList &sheets);
} // namespace ExportSheets

struct ExportResult {
    bool cancelled = false;
    qint64 breweries = 0;
    qint64 chroniks = 0;
    QStringList files;
};

// Why an export could not be written. Nothing is left under its names.
struct ExportFailed {
    QString message;
};

// Writes the breweries of `keys`, in that order, with their history
// entries, as `options` say, to `path` (for two CSV tables, the two files
// named after it). Every file is written under a temporary name and takes
// its name when complete, so a cancelled or failed export leaves nothing
// half-written and what stood there before as it was. `progress` hears the
// breweries done, of all; false cancels. Throws ExportFailed and the store's
// StoreError.
ExportResult ExportRegister(RegisterFile &file, std::vector<qint64> keys, const QString &path,
                            const ExportOptions &options,
                            const std::function<bool(qint64 done, qint64 total)> &progress = {});
