#include "CsvTable.h"

#include "FormulaGuard.h"
#include "Windows1252.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <orcus/csv_parser.hpp>

namespace {

// Whether a quote at `i` opens a quoted field: only at a field's start.
// A quote inside an unquoted value is a character of it, as for the parser.
bool opensQuote(const QByteArray &bytes, qsizetype i, QByteArrayView separators)
{
    return i == 0 || bytes[i - 1] == '\n' || bytes[i - 1] == '\r' || separators.contains(bytes[i - 1]);
}

// The separator of the file: of comma, semicolon and tab the one that
// every line of the file's beginning holds equally often, outside quotes,
// and most of; the first line's most when no count holds. A line of a
// semicolon file may hold commas inside its values, but not in every line
// alike.
char separatorOf(const QByteArray &bytes)
{
    constexpr std::string_view Candidates = ",;\t";
    constexpr int Lines = 50;
    std::vector<std::array<int, 3>> counts(1);
    bool quoted = false;
    for (qsizetype i = 0; i < bytes.size() && counts.size() <= Lines; ++i) {
        const char c = bytes[i];
        if (c == '"' && (quoted || opensQuote(bytes, i, QByteArrayView(Candidates.data(), 3)))) {
            quoted = !quoted;
        } else if (!quoted && c == '\n') {
            counts.emplace_back();
        } else if (!quoted) {
            const auto at = Candidates.find(c);
            if (at != std::string_view::npos)
                ++counts.back()[at];
        }
    }
    if (counts.size() > 1 && counts.back() == std::array<int, 3>{})
        counts.pop_back();
    const std::array<int, 3> &first = counts.front();
    int best = -1;
    for (int c = 0; c < 3; ++c) {
        const bool even = std::all_of(counts.begin(), counts.end(), [&](const auto &line) { return line[c] == first[c]; });
        if (even && first[c] > 0 && (best < 0 || first[c] > first[best]))
            best = c;
    }
    if (best < 0) {
        best = 0;
        for (int c = 1; c < 3; ++c)
            best = first[c] > first[best] ? c : best;
    }
    return Candidates[size_t(best)];
}

// Thrown through the parser when the reader wants no more rows.
struct EnoughRows {};
// Thrown for a row with a value beyond the columns a sheet may have.
struct TooWide {
    qint64 row;
};
constexpr size_t MaxColumns = 16384;

// The rows as the parser hands them over. It tells no quotes, but a quoted
// field's text begins right after its opening quote, and one with a
// doubled quote inside comes from the parser's own buffer: that keeps ""
// apart from an empty field.
class CsvRows {
public:
    CsvRows(const char *begin, const SpreadsheetFile::RowReader &row) : m_begin(begin), m_row(row) {}
    void begin_parse() {}
    void end_parse() {}
    void begin_row()
    {
        m_cells.clear();
        m_empty = 0;
    }
    void end_row()
    {
        ++m_number;
        if (!m_cells.empty() && !m_row(m_number, m_cells))
            throw EnoughRows{};
    }
    // Empty cells are counted, and stand in the row only before a value: a
    // line of a million separators holds no million cells.
    void cell(const char *p, size_t n, bool transient)
    {
        const bool quoted = transient || (p > m_begin && p[-1] == '"');
        if (n == 0 && !quoted) {
            ++m_empty;
            return;
        }
        if (m_cells.size() + m_empty >= MaxColumns)
            throw TooWide{m_number + 1};
        m_cells.resize(m_cells.size() + m_empty);
        m_empty = 0;
        if (FormulaGuard::guarded(QByteArrayView(p, qsizetype(n))))
            m_cells.emplace_back(QString::fromUtf8(p + 1, qsizetype(n - 1)));
        else
            m_cells.emplace_back(QString::fromUtf8(p, qsizetype(n)));
    }

private:
    const char *m_begin;
    const SpreadsheetFile::RowReader &m_row;
    SheetRow m_cells;
    size_t m_empty = 0;
    qint64 m_number = 0;
};

// The parser ends rows at line feeds only: the carriage returns of CR LF
// row ends are dropped, those inside quoted values kept. Returns the line
// of a quote that is opened and never closed, 0 when every quote closes.
qint64 endRowsAtLineFeeds(QByteArray &bytes, char separator)
{
    bool quoted = false;
    qint64 line = 1, openedAt = 0;
    qsizetype kept = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '"' && (quoted || opensQuote(bytes, i, QByteArrayView(&separator, 1)))) {
            quoted = !quoted;
            openedAt = line;
        }
        line += c == '\n';
        if (!quoted && c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        bytes[kept++] = c;
    }
    bytes.truncate(kept);
    return quoted ? openedAt : 0;
}

// The line and the byte that make `bytes` no text: a byte Windows-1252
// leaves undefined, or UTF-8 beside another encoding (a UTF-8 character
// among bytes that are none), which no single encoding reads right.
std::optional<std::pair<qint64, uchar>> mixedOrUndefined(QByteArrayView bytes)
{
    const auto lineOf = [&bytes](qsizetype at) { return 1 + bytes.first(at).count('\n'); };
    qsizetype utf8 = -1, other = -1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes[i]);
        if (c < 0x80)
            continue;
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
            return std::pair{lineOf(i), c};
        const qsizetype length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        if (length > 0 && i + length <= bytes.size() && QByteArrayView(bytes.sliced(i, length)).isValidUtf8()) {
            utf8 = utf8 < 0 ? i : utf8;
            i += length - 1;
        } else if (other < 0) {
            other = i;
        }
    }
    if (utf8 >= 0 && other >= 0)
        return std::pair{lineOf(other), uchar(bytes[other])};
    return std::nullopt;
}

} // namespace

CsvTable::CsvTable(const QString &path, QByteArray bytes) : SpreadsheetFile(path)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (bytes.contains('\0'))
        throw failed(QStringLiteral("it is not a spreadsheet (XLSX, ODS or CSV)."));
    if (!QByteArrayView(bytes).isValidUtf8()) {
        if (const auto bad = mixedOrUndefined(bytes))
            throw failed(QStringLiteral("line %1 holds the byte 0x%2, which is neither UTF-8 nor Windows-1252 beside "
                                        "the file's other text; save the file in one encoding, UTF-8 at best.")
                             .arg(bad->first)
                             .arg(QString::number(bad->second, 16).toUpper()));
        bytes = FromWindows1252(bytes).toUtf8();
    }
    m_separator = separatorOf(bytes);
    if (const qint64 open = endRowsAtLineFeeds(bytes, m_separator))
        throw failed(QStringLiteral("the quote that begins a value in line %1 is never closed.").arg(open));
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
    } catch (const TooWide &wide) {
        throw failed(QStringLiteral("row %1 holds a value beyond the %2 columns a sheet may have.").arg(wide.row).arg(MaxColumns));
    } catch (const orcus::csv::parse_error &e) {
        throw failed(QStringLiteral("it is damaged (%1).").arg(QString::fromLocal8Bit(e.what())));
    }
}
