#include "XlsxWorkbook.h"

#include <QXmlStreamReader>
#include <orcus/sax_parser.hpp>
#include <cstdlib>
#include <optional>

namespace {

// The folder of a part ("xl/" of "xl/workbook.xml").
QString folderOf(const QString &part)
{
    return part.left(part.lastIndexOf(QLatin1Char('/')) + 1);
}

// A relationship's target, relative to the part's folder or, with a
// leading slash, to the package; none for one that leads out of the
// package, which no workbook writes.
std::optional<QString> resolve(const QString &folder, const QString &target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    QStringList parts = (folder + target).split(QLatin1Char('/'));
    QStringList resolved;
    for (const QString &part : parts) {
        if (part == QLatin1String("..")) {
            if (resolved.isEmpty())
                return std::nullopt;
            resolved.removeLast();
        } else if (part != QLatin1String(".")) {
            resolved << part;
        }
    }
    return resolved.join(QLatin1Char('/'));
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

// Workbooks write characters XML cannot hold (control characters) as
// "_xHHHH_", and a text that itself looks so with its underscore written
// as "_x005F_".
QString unescaped(QString text)
{
    qsizetype at = text.indexOf(QLatin1String("_x"));
    while (at >= 0 && at + 7 <= text.size()) {
        int code = 0;
        bool hex = text[at + 6] == QLatin1Char('_');
        for (int i = 2; hex && i < 6; ++i) {
            const int digit = hexDigit(text[at + i]);
            hex = digit >= 0;
            code = code * 16 + digit;
        }
        if (hex)
            text.replace(at, 7, QChar(char16_t(code)));
        at = text.indexOf(QLatin1String("_x"), at + 1);
    }
    return text;
}

// "C7": its column counted from 0, or -1 when it names none.
int columnOf(QStringView reference)
{
    // A sheet has 16,384 columns ("XFD"): more letters name none.
    constexpr int Columns = 16384;
    int column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i].isLetter() && column <= Columns; ++i)
        column = column * 26 + (reference[i].toUpper().unicode() - 'A' + 1);
    return i > 0 && column <= Columns ? column - 1 : -1;
}

// The workbook's shared strings: each item's runs, without the phonetic
// guides some workbooks add.
class StringItems : public orcus::sax_handler {
public:
    explicit StringItems(std::vector<QString> &strings) : m_strings(strings) {}

    // Whether the part's XML ended where it began: liborcus takes a part
    // cut short as if it ended there.
    bool whole() const { return m_elements > 0 && m_depth == 0; }

    void start_element(const orcus::sax::parser_element &element)
    {
        ++m_elements;
        ++m_depth;
        if (element.name == "si")
            m_text.clear();
        else if (element.name == "rPh")
            ++m_phonetic;
        else if (element.name == "t")
            m_capturing = m_phonetic == 0;
    }
    void end_element(const orcus::sax::parser_element &element)
    {
        --m_depth;
        if (element.name == "si")
            m_strings.push_back(unescaped(QString::fromUtf8(m_text)));
        else if (element.name == "rPh")
            --m_phonetic;
        else if (element.name == "t")
            m_capturing = false;
    }
    void characters(std::string_view text, bool)
    {
        if (m_capturing)
            m_text.append(text);
    }

private:
    std::vector<QString> &m_strings;
    std::string m_text;
    bool m_capturing = false;
    int m_phonetic = 0;
    qint64 m_elements = 0;
    int m_depth = 0;
};

// The cells of a sheet, as liborcus's XML parser meets them: it names an
// element's attributes before the element. Rows go to the reader one by
// one; a sheet of a million rows is never held as cells.
class SheetCells : public orcus::sax_handler {
public:
    struct Enough {};
    struct Damaged {
        QString why;
    };

    SheetCells(const std::vector<QString> &strings, const SpreadsheetFile::RowReader &row) : m_strings(strings), m_row(row)
    {
    }
    qint64 rowNumber() const { return m_rowNumber; }
    bool whole() const { return m_elements > 0 && m_depth == 0; }

    void attribute(const orcus::sax::parser_attribute &attribute)
    {
        if (attribute.name == "r")
            m_reference.assign(attribute.value);
        else if (attribute.name == "t")
            m_type.assign(attribute.value);
    }
    void start_element(const orcus::sax::parser_element &element)
    {
        ++m_elements;
        ++m_depth;
        const std::string_view name = element.name;
        if (name == "row") {
            m_rowNumber = m_reference.empty() ? m_rowNumber + 1 : std::atoll(m_reference.c_str());
            m_cells.clear();
            m_column = -1;
        } else if (name == "c") {
            m_column = m_reference.empty() ? m_column + 1 : columnOf(QString::fromLatin1(m_reference));
            if (m_column < 0)
                throw Damaged{QStringLiteral("the cell address \"%1\" is damaged.").arg(QString::fromLatin1(m_reference))};
            m_cellType = m_type;
            m_value.clear();
            m_hasValue = false;
        } else if (name == "v" || (name == "t" && m_phonetic == 0)) {
            m_capturing = true;
            m_hasValue = true;
        } else if (name == "rPh") {
            ++m_phonetic;
        }
        m_reference.clear();
        m_type.clear();
    }
    void end_element(const orcus::sax::parser_element &element)
    {
        --m_depth;
        const std::string_view name = element.name;
        if (name == "v" || name == "t")
            m_capturing = false;
        else if (name == "rPh")
            --m_phonetic;
        else if (name == "is")
            m_hasValue = true;
        else if (name == "c")
            endCell();
        else if (name == "row")
            endRow();
    }
    void characters(std::string_view text, bool)
    {
        if (m_capturing)
            m_value.append(text);
    }

private:
    void endCell()
    {
        SheetCell value;
        if (m_cellType == "s") {
            if (m_hasValue) {
                char *end = nullptr;
                const unsigned long long index = std::strtoull(m_value.c_str(), &end, 10);
                if (m_value.empty() || *end != 0 || index >= m_strings.size())
                    throw Damaged{QStringLiteral("a cell names a string the workbook lacks.")};
                value = m_strings[index];
            }
        } else if (m_cellType == "b") {
            if (m_hasValue)
                value = m_value == "1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        } else if (m_cellType == "str" || m_cellType == "inlineStr") {
            // A formula's text ("=\"\"" is how a workbook keeps an empty
            // text) or a string written into the sheet itself.
            value = unescaped(QString::fromUtf8(m_value));
        } else if (m_hasValue) {
            value = QString::fromUtf8(m_value);
        }
        if (!value)
            return;
        if (m_cells.size() <= size_t(m_column))
            m_cells.resize(size_t(m_column) + 1);
        m_cells[size_t(m_column)] = std::move(value);
    }
    void endRow()
    {
        while (!m_cells.empty() && !m_cells.back())
            m_cells.pop_back();
        if (!m_cells.empty() && !m_row(m_rowNumber, m_cells))
            throw Enough{};
    }

    const std::vector<QString> &m_strings;
    const SpreadsheetFile::RowReader &m_row;
    std::string m_reference;
    std::string m_type;
    std::string m_cellType;
    std::string m_value;
    bool m_hasValue = false;
    bool m_capturing = false;
    int m_phonetic = 0;
    qint64 m_rowNumber = 0;
    int m_column = -1;
    SheetRow m_cells;
    qint64 m_elements = 0;
    int m_depth = 0;
};

} // namespace

XlsxWorkbook::XlsxWorkbook(const QString &path, QByteArray bytes)
    : SpreadsheetFile(path), m_zip(std::move(bytes), [this](const QString &why) { throw failed(why); })
{
    const ReadFailed noWorkbook = failed(QStringLiteral("it is a zip archive, but no XLSX or ODS workbook."));
    if (!m_zip.has(QStringLiteral("_rels/.rels")))
        throw noWorkbook;
    const auto documents = relationships(QStringLiteral("_rels/.rels"), QStringLiteral("/officeDocument"));
    if (documents.isEmpty())
        throw noWorkbook;
    const QString workbook = documents.begin().value();
    const auto parts = relationships(workbook, QStringLiteral("/worksheet"));
    if (parts.isEmpty())
        throw noWorkbook;
    const auto strings = relationships(workbook, QStringLiteral("/sharedStrings"));
    if (!strings.isEmpty())
        readStrings(strings.begin().value());

    QXmlStreamReader xml(m_zip.part(workbook));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("sheet")) {
            const auto attributes = xml.attributes();
            QString id;
            for (const auto &attribute : attributes) {
                if (attribute.name() == QLatin1String("id"))
                    id = attribute.value().toString();
            }
            // Chart sheets and the like have no cells: only worksheets count.
            if (parts.contains(id)) {
                m_names << attributes.value(QLatin1String("name")).toString();
                m_sheetParts << parts.value(id);
            }
        }
    }
    if (xml.hasError())
        throw failed(QStringLiteral("its list of sheets is damaged (%1).").arg(xml.errorString()));
}

QHash<QString, QString> XlsxWorkbook::relationships(const QString &part, const QString &typeEnding) const
{
    const QString folder = folderOf(part);
    const QString rels = part.startsWith(QLatin1String("_rels/"))
        ? part
        : QStringLiteral("%1_rels/%2.rels").arg(folder, part.mid(folder.size()));
    const QString base = part.startsWith(QLatin1String("_rels/")) ? QString() : folder;
    QHash<QString, QString> targets;
    QXmlStreamReader xml(m_zip.part(rels));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Relationship")) {
            const auto attributes = xml.attributes();
            if (attributes.value(QLatin1String("Type")).endsWith(typeEnding)) {
                const QString target = attributes.value(QLatin1String("Target")).toString();
                const std::optional<QString> resolved = resolve(base, target);
                if (!resolved)
                    throw failed(QStringLiteral("its part %1 points out of the workbook (\"%2\").").arg(rels, target));
                targets.insert(attributes.value(QLatin1String("Id")).toString(), *resolved);
            }
        }
    }
    if (xml.hasError())
        throw failed(QStringLiteral("its part %1 is damaged (%2).").arg(rels, xml.errorString()));
    return targets;
}

void XlsxWorkbook::readStrings(const QString &part)
{
    const std::vector<unsigned char> content = m_zip.unpackText(part);
    StringItems items(m_strings);
    orcus::sax_parser<StringItems> parser(reinterpret_cast<const char *>(content.data()), content.size(), items);
    try {
        parser.parse();
    } catch (const orcus::parse_error &e) {
        throw failed(QStringLiteral("its strings are damaged (%1).").arg(QString::fromLocal8Bit(e.what())));
    }
    if (!items.whole())
        throw failed(QStringLiteral("its strings end before their XML does."));
}

void XlsxWorkbook::readRows(int sheet, const RowReader &row) const
{
    const std::vector<unsigned char> content = m_zip.unpackText(m_sheetParts.at(sheet));
    SheetCells cells(m_strings, row);
    orcus::sax_parser<SheetCells> parser(reinterpret_cast<const char *>(content.data()), content.size(), cells);
    try {
        parser.parse();
    } catch (const SheetCells::Enough &) {
        // The reader has what it wanted.
        return;
    } catch (const SheetCells::Damaged &damaged) {
        throw failed(QStringLiteral("sheet %1, row %2: %3").arg(m_names.at(sheet)).arg(cells.rowNumber()).arg(damaged.why));
    } catch (const orcus::parse_error &e) {
        throw failed(QStringLiteral("sheet %1 is damaged after row %2 (%3).")
                         .arg(m_names.at(sheet))
                         .arg(cells.rowNumber())
                         .arg(QString::fromLocal8Bit(e.what())));
    }
    if (!cells.whole())
        throw failed(QStringLiteral("sheet %1 ends after row %2, before its XML does.").arg(m_names.at(sheet)).arg(cells.rowNumber()));
}
