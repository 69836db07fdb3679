#include "CsvTable.h"

#include "Windows1252.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <orcus/csv_parser.hpp>

namespace {

// The separator the first line holds most of, outside quotes.
char separatorOf(const QByteArray &bytes)
{
    int commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (char c : bytes) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted) {
            commas += c == ',';
            semicolons += c == ';';
            tabs += c == '\t';
        }
    }
    if (semicolons > commas && semicolons >= tabs)
        return ';';
    return tabs > commas ? '\t' : ',';
}

// The rows as the parser hands them over. It tells no quotes, but a quoted
// field's text begins right after its opening quote, and one with a
// doubled quote inside comes from the parser's own buffer: that keeps ""
// apart from an empty field. The parser ends rows at line feeds only: the
// carriage return of a CR LF is left to the last field, or after a quoted
// last field stands as a field of its own, and is dropped here.
class CsvRows {
public:
    CsvRows(const char *begin, const SpreadsheetFile::RowReader &row) : m_begin(begin), m_row(row) {}
    void begin_parse() {}
    void end_parse() {}
    void begin_row()
    {
        m_cells.clear();
        m_lastQuoted = false;
    }
    void end_row()
    {
        ++m_number;
        while (!m_cells.empty() && !m_cells.back())
            m_cells.pop_back();
        if (!m_cells.empty())
            m_row(m_number, m_cells);
    }
    void cell(const char *p, size_t n, bool transient)
    {
        const bool quoted = transient || (p > m_begin && p[-1] == '"');
        if (!quoted && n > 0 && p[n - 1] == '\r') {
            if (n == 1 && m_lastQuoted)
                return;
            --n;
        }
        m_lastQuoted = quoted;
        if (n == 0 && !quoted)
            m_cells.emplace_back(std::nullopt);
        else
            m_cells.emplace_back(QString::fromUtf8(p, qsizetype(n)));
    }

private:
    const char *m_begin;
    const SpreadsheetFile::RowReader &m_row;
    SheetRow m_cells;
    qint64 m_number = 0;
    bool m_lastQuoted = false;
};

} // namespace

CsvTable::CsvTable(const QString &path, QByteArray bytes) : SpreadsheetFile(path)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (bytes.contains('\0'))
        throw failed(QStringLiteral("it is not a spreadsheet (XLSX, ODS or CSV)."));
    if (!QByteArrayView(bytes).isValidUtf8())
        bytes = FromWindows1252(bytes).toUtf8();
    m_separator = separatorOf(bytes);
    m_utf8 = std::move(bytes);
}

QStringList CsvTable::sheetNames() const
{
    return {QFileInfo(path()).completeBaseName()};
}

void CsvTable::readRows(int, const RowReader &row) const
{
    CsvRows rows(m_utf8.constData(), row);
    orcus::csv::parser_config config;
    config.delimiters.assign(1, m_separator);
    config.text_qualifier = '"';
    config.trim_cell_value = false;
    try {
        orcus::csv_parser<CsvRows> parser(m_utf8.constData(), size_t(m_utf8.size()), rows, config);
        parser.parse();
    } catch (const std::exception &e) {
        throw failed(QStringLiteral("it is damaged (%1).").arg(QString::fromLocal8Bit(e.what())));
    }
}
