#include "XlsxBook.h"

#include "ProcessGone.h"
#include "RegisterExport.h"
#include "WhyNotWritten.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <xlsxwriter.h>

namespace {

// What a cell of a workbook holds at most.
constexpr int MaxCharacters = 32767;

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Whether "_x", hex digits and "_" begin at `i`: what workbook readers
// take for a character (LibreOffice with fewer than four digits too).
bool looksEscaped(QByteArrayView utf8, qsizetype i)
{
    if (utf8[i] != '_' || i + 1 >= utf8.size() || utf8[i + 1] != 'x')
        return false;
    qsizetype end = i + 2;
    while (end < utf8.size() && isHex(utf8[end]))
        ++end;
    return end > i + 2 && end < utf8.size() && utf8[end] == '_';
}

// A text that holds what looks like a workbook's escaped character has its
// underscore written as "_x005F_", at each such place of the text,
// overlapping ones too ("_x0041_x0042_").
QByteArray escapedUnderscores(QByteArrayView utf8)
{
    QByteArray text;
    text.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (looksEscaped(utf8, i))
            text += "_x005F";
        text += utf8[i];
    }
    return text;
}

// Removes what an export that was killed while writing left beside `path`:
// the part of a process that no longer runs.
void removeLeftParts(const QString &path)
{
    const QFileInfo target(path);
    QDir folder = target.absoluteDir();
    const QString prefix = target.fileName() + QStringLiteral(".part-");
    for (const QString &name : folder.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        bool number = false;
        const qint64 pid = name.mid(prefix.size()).toLongLong(&number);
        if (number && ProcessGone(pid))
            folder.remove(name);
    }
}

// A link under the name is written through, as a saved CSV file is: the
// link stays and its target takes the workbook.
QString writtenPath(const QString &path)
{
    const QFileInfo named(path);
    return named.isSymLink() ? named.symLinkTarget() : path;
}

} // namespace

XlsxBook::XlsxBook(const QString &path)
    : m_path(writtenPath(path)),
      m_temporary(QStringLiteral("%1.part-%2").arg(m_path).arg(QCoreApplication::applicationPid()))
{
    removeLeftParts(m_path);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    m_book = workbook_new_opt(QFile::encodeName(m_temporary).constData(), &options);
    if (!m_book)
        throw ExportFailed{QStringLiteral("%1 could not be written: %2").arg(path, WhyNotWritten(path, QString()))};
    m_bold = workbook_add_format(m_book);
    format_set_bold(m_bold);
}

XlsxBook::~XlsxBook()
{
    if (m_book) {
        workbook_close(m_book);
        QFile::remove(m_temporary);
    }
}

void XlsxBook::check(int error, const QString &where) const
{
    if (error == LXW_NO_ERROR)
        return;
    if (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
        throw ExportFailed{QStringLiteral("A value of %1 is longer than a workbook's cell holds (%2 characters). "
                                          "Export the register as CSV instead.")
                               .arg(where)
                               .arg(MaxCharacters)};
    throw ExportFailed{QStringLiteral("%1 could not be written: %2 (at %3).")
                           .arg(m_path, QString::fromUtf8(lxw_strerror(lxw_error(error))), where)};
}

XlsxBook::Sheet &XlsxBook::addSheet(const QString &name, const QStringList &header, Shown shown)
{
    lxw_worksheet *sheet = workbook_add_worksheet(m_book, name.toUtf8().constData());
    if (!sheet)
        throw ExportFailed{QStringLiteral("%1 could not be written: no sheet %2.").arg(m_path, name)};
    if (shown == Shown::Hidden)
        worksheet_hide(sheet);
    m_sheets.push_back(std::unique_ptr<Sheet>(new Sheet(*this, sheet)));
    Sheet &added = *m_sheets.back();
    for (const QString &caption : header)
        check(worksheet_write_string(sheet, 0, added.m_column++, caption.toUtf8().constData(), m_bold), name);
    if (!header.isEmpty())
        added.endRow();
    return added;
}

void XlsxBook::Sheet::number(double value)
{
    m_book.check(worksheet_write_number(m_sheet, m_row, m_column++, value, nullptr), QString());
}

void XlsxBook::Sheet::value(QByteArrayView utf8, bool asNumber, const QString &where)
{
    const quint16 column = m_column++;
    if (utf8.isNull())
        return;
    // The library writes an empty text as no cell at all; a formula that
    // gives the empty text is what spreadsheet programs keep as one.
    if (utf8.isEmpty()) {
        m_book.check(worksheet_write_formula_str(m_sheet, m_row, column, "=\"\"", nullptr, ""), where);
        return;
    }
    if (asNumber && utf8.size() <= 15 && std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        m_book.check(worksheet_write_number(m_sheet, m_row, column, utf8.toByteArray().toDouble(), nullptr), where);
        return;
    }
    m_text = escapedUnderscores(utf8);
    m_book.check(worksheet_write_string(m_sheet, m_row, column, m_text.constData(), nullptr), where);
}

void XlsxBook::Sheet::endRow()
{
    ++m_row;
    m_column = 0;
}

void XlsxBook::close()
{
    lxw_workbook *book = std::exchange(m_book, nullptr);
    const lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR) {
        QFile::remove(m_temporary);
        throw ExportFailed{QStringLiteral("%1 could not be written: %2")
                               .arg(m_path, WhyNotWritten(m_path, QString::fromUtf8(lxw_strerror(error))))};
    }
    // Replaces what stood under the name in one step.
    if (std::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_path).constData()) != 0) {
        QFile::remove(m_temporary);
        throw ExportFailed{QStringLiteral("%1 could not be written: %2").arg(m_path, WhyNotWritten(m_path, QString::fromLocal8Bit(std::strerror(errno))))};
    }
}
