#include "SpreadsheetFile.h"

#include "CsvTable.h"
#include "OdsWorkbook.h"
#include "XlsxWorkbook.h"
#include "ZipParts.h"

#include <QFile>
#include <QFileInfo>

ReadFailed SpreadsheetFile::failed(const QString &why) const
{
    return {QStringLiteral("%1 could not be read: %2").arg(QFileInfo(m_path).fileName(), why)};
}

std::unique_ptr<SpreadsheetFile> SpreadsheetFile::open(const QString &path, qint64 unpackedLimit)
{
    const QString name = QFileInfo(path).fileName();
    const auto refuse = [&name](const QString &why) { return ReadFailed{QStringLiteral("%1 could not be read: %2").arg(name, why)}; };
    QFile file(path);
    if (!QFileInfo(path).isFile())
        throw refuse(QFileInfo::exists(path) ? QStringLiteral("it is not a file.") : QStringLiteral("there is no such file."));
    if (!file.open(QIODevice::ReadOnly))
        throw refuse(file.errorString() + QLatin1Char('.'));
    if (file.size() > unpackedLimit)
        throw refuse(QStringLiteral("it is larger than %1 bytes.").arg(unpackedLimit));
    QByteArray bytes = file.readAll();
    // An encrypted workbook, like Excel's old format, is a compound file.
    if (bytes.startsWith("\xD0\xCF\x11\xE0"))
        throw refuse(QStringLiteral("it is encrypted or in Excel's old format (.xls); save it as an unprotected XLSX "
                                    "or ODS workbook, or as CSV."));
    if (!bytes.startsWith("PK\x03\x04"))
        return std::make_unique<CsvTable>(path, std::move(bytes));
    const qint64 unpacked = ZipParts::unpackedSize(bytes);
    if (unpacked < 0)
        throw refuse(QStringLiteral("it is damaged (its table of contents cannot be read)."));
    if (unpacked > unpackedLimit)
        throw refuse(QStringLiteral("it would unpack to %1 bytes, more than the %2 a workbook may hold here.")
                         .arg(unpacked)
                         .arg(unpackedLimit));
    // An OpenDocument file names its type in its first entry.
    if (QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 200)).contains("opendocument.spreadsheet"))
        return std::make_unique<OdsWorkbook>(path, std::move(bytes));
    return std::make_unique<XlsxWorkbook>(path, std::move(bytes));
}
