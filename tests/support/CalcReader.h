#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

// LibreOffice Calc without a display, as a real reader of the files the
// program writes: it opens a file and saves every sheet as CSV, quoting
// every text cell, so that an empty text ("") stays apart from an empty
// cell. The CSV is read back cell by cell.
namespace Calc {

using Cell = std::optional<QString>;
using Table = QList<QList<Cell>>;

// Reads CSV as RFC 4180 has it; an unquoted empty field is an empty cell.
inline Table parseCsv(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    Table table;
    QList<Cell> row;
    qsizetype i = 0;
    while (i < text.size()) {
        Cell cell;
        if (text[i] == '"') {
            QString value;
            ++i;
            while (i < text.size()) {
                if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                    value += '"';
                    i += 2;
                } else if (text[i] == '"') {
                    ++i;
                    break;
                } else {
                    value += text[i++];
                }
            }
            cell = value;
        } else {
            QString value;
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
                value += text[i++];
            if (!value.isEmpty())
                cell = value;
        }
        row << cell;
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        if (i < text.size() && text[i] == '\r')
            ++i;
        if (i < text.size() && text[i] == '\n')
            ++i;
        table << row;
        row.clear();
    }
    return table;
}

// Has Calc open `file` and save its sheet `sheet` (counted from 1) as
// CSV, every text quoted; returns the CSV. A CSV file is opened as UTF-8,
// separated by commas.
inline QByteArray convert(const QString &file, int sheet = 1)
{
    QTemporaryDir out;
    QTemporaryDir profile;
    QStringList arguments{QStringLiteral("-env:UserInstallation=file://") + profile.path(), QStringLiteral("--headless"),
                          QStringLiteral("--convert-to"),
                          QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,false,true,false,false,%1")
                              .arg(sheet),
                          QStringLiteral("--outdir"), out.path()};
    if (file.endsWith(QLatin1String(".csv")))
        arguments << QStringLiteral("--infilter=CSV:44,34,76,1");
    arguments << file;
    QProcess calc;
    calc.start(QStringLiteral("soffice"), arguments);
    if (!calc.waitForFinished(180000) || calc.exitCode() != 0)
        qWarning() << "soffice failed:" << calc.readAllStandardError();
    const QStringList written = QDir(out.path()).entryList({QStringLiteral("*.csv")});
    if (written.size() != 1) {
        qWarning() << "Calc wrote" << written << calc.readAllStandardOutput();
        return {};
    }
    QFile csv(QDir(out.path()).filePath(written.front()));
    if (!csv.open(QIODevice::ReadOnly))
        return {};
    return csv.readAll();
}

// Has Calc open `file` (a CSV file as UTF-8, separated by commas) and save
// it as `format` ("xlsx", "ods", "csv") in `folder`; returns the file Calc
// wrote.
inline QString save(const QString &file, const QString &format, const QString &folder)
{
    QTemporaryDir profile;
    QStringList arguments{QStringLiteral("-env:UserInstallation=file://") + profile.path(), QStringLiteral("--headless")};
    if (file.endsWith(QLatin1String(".csv")))
        arguments << QStringLiteral("--infilter=CSV:44,34,76,1");
    arguments << QStringLiteral("--convert-to")
              << (format == QLatin1String("csv") ? QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1") : format)
              << QStringLiteral("--outdir") << folder << file;
    QProcess calc;
    calc.start(QStringLiteral("soffice"), arguments);
    if (!calc.waitForFinished(180000) || calc.exitCode() != 0)
        qWarning() << "soffice failed:" << calc.readAllStandardError();
    return QDir(folder).filePath(QFileInfo(file).completeBaseName() + "." + format);
}

// The sheet as Calc reads it, cell by cell.
inline Table read(const QString &file, int sheet = 1)
{
    return parseCsv(convert(file, sheet));
}

} // namespace Calc
