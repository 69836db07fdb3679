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

// Thrown through the parser when the reader wants no more rows.
struct EnoughRows {};

// The rows as the parser hands them over. It tells no quotes, but a quoted
// field's text begins right after its opening quote, and one with a
// doubled quote inside comes from the parser's own buffer: that keeps ""
// apart from an empty field.
class CsvRows {
public:
    CsvRows(const char *begin, const SpreadsheetFile::RowReader &row) : m_begin(begin), m_row(row) {}
    void begin_parse() {}
    void end_parse() {}
    void begin_row() { m_cells.clear(); }
    void end_row()
    {
        ++m_number;
        while (!m_cells.empty() && !m_cells.back())
            m_cells.pop_back();
        if (!m_cells.empty() && !m_row(m_number, m_cells))
            throw EnoughRows{};
    }
    void cell(const char *p, size_t n, bool transient)
    {
        const bool quoted = transient || (p > m_begin && p[-1] == '"');
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
};

// The parser ends rows at line feeds only: the carriage returns of CR LF
// row ends are dropped, those inside quoted values kept.
void endRowsAtLineFeeds(QByteArray &bytes)
{
    bool quoted = false;
    qsizetype kept = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '"')
            quoted = !quoted;
        if (!quoted && c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        bytes[kept++] = c;
    }
    bytes.truncate(kept);
}

} // namespace

CsvTable::CsvTable(const QString &path, QByteArray bytes) : SpreadsheetFile(path)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (bytes.contains('\0'))
        throw failed(QStringLiteral("it is not a spreadsheet (XLSX, ODS or CSV)."));
    if (!QByteArrayView(bytes).isValidUtf8())
        bytes = FromWindows1252(bytes).toUtf8();
    endRowsAtLineFeeds(bytes);
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
    } catch (const EnoughRows &) {
        // The reader has what it wanted.
    } catch (const orcus::csv::parse_error &e) {
        throw failed(QStringLiteral("it is damaged (%1).").arg(QString::fromLocal8Bit(e.what())));
    }
}
