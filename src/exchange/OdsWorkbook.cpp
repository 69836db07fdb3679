#include "OdsWorkbook.h"

#include <QXmlStreamReader>

namespace {

const QString TableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString OfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString TextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString Content = QStringLiteral("content.xml");

// The columns and rows a sheet may have; a repeat beyond them is the
// file's way of saying "to the end" and holds nothing.
constexpr qint64 MaxColumns = 16384;
constexpr qint64 MaxRows = 1048576;

qint64 repeated(const QXmlStreamReader &xml, const QString &attribute)
{
    const qint64 count = xml.attributes().value(TableNs, attribute).toLongLong();
    return std::max<qint64>(count, 1);
}

// The text of a cell's paragraphs, one line each, with the spaces, tabs
// and line breaks the file spells as elements. The reader stands on the
// cell's start and is left on its end.
QString cellText(QXmlStreamReader &xml, bool &any)
{
    QString text;
    int paragraphs = 0;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::Characters && depth > 1) {
            text += xml.text();
        } else if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QStringView name = xml.name();
            if (xml.namespaceUri() == OfficeNs && name == QLatin1String("annotation")) {
                xml.skipCurrentElement();
                --depth;
            } else if (xml.namespaceUri() != TextNs) {
                continue;
            } else if (name == QLatin1String("p") || name == QLatin1String("h")) {
                if (paragraphs++ > 0)
                    text += QLatin1Char('\n');
            } else if (name == QLatin1String("s")) {
                const qint64 count = xml.attributes().value(TextNs, QLatin1String("c")).toLongLong();
                text += QString(qsizetype(std::clamp<qint64>(count, 1, 1024)), QLatin1Char(' '));
            } else if (name == QLatin1String("tab")) {
                text += QLatin1Char('\t');
            } else if (name == QLatin1String("line-break")) {
                text += QLatin1Char('\n');
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    any = paragraphs > 0;
    return text;
}

// A cell's value: by its type what the file writes it as, a text from its
// paragraphs; nothing when it holds none.
SheetCell cellValue(QXmlStreamReader &xml)
{
    const auto attributes = xml.attributes();
    const QStringView type = attributes.value(OfficeNs, QLatin1String("value-type"));
    SheetCell value;
    if (type == QLatin1String("float") || type == QLatin1String("percentage") || type == QLatin1String("currency"))
        value = attributes.value(OfficeNs, QLatin1String("value")).toString();
    else if (type == QLatin1String("date"))
        value = attributes.value(OfficeNs, QLatin1String("date-value")).toString();
    else if (type == QLatin1String("time"))
        value = attributes.value(OfficeNs, QLatin1String("time-value")).toString();
    else if (type == QLatin1String("boolean"))
        value = attributes.value(OfficeNs, QLatin1String("boolean-value")) == QLatin1String("true") ? QStringLiteral("TRUE")
                                                                                                   : QStringLiteral("FALSE");
    else if (attributes.hasAttribute(OfficeNs, QLatin1String("string-value")))
        value = attributes.value(OfficeNs, QLatin1String("string-value")).toString();
    bool any = false;
    const QString text = cellText(xml, any);
    // A text cell (an empty text too) is its paragraphs; so is a cell of
    // no type that shows some.
    if (!value && (type == QLatin1String("string") || any))
        value = text;
    return value;
}

} // namespace

OdsWorkbook::OdsWorkbook(const QString &path, QByteArray bytes)
    : SpreadsheetFile(path), m_zip(std::move(bytes), [this](const QString &why) { throw failed(why); })
{
    if (!m_zip.has(Content))
        throw failed(QStringLiteral("it is a zip archive, but no XLSX or ODS workbook."));
    QXmlStreamReader xml(m_zip.part(Content));
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        // Qt's reader leaves out an entity kept in another file without a
        // word; it is never fetched, so such a cell's value is unknown.
        for (const auto &entity : token == QXmlStreamReader::DTD ? xml.entityDeclarations() : QXmlStreamEntityDeclarations()) {
            if (!entity.systemId().isEmpty() || !entity.publicId().isEmpty())
                throw failed(QStringLiteral("it declares the entity \"%1\" kept elsewhere (%2), which is not read.")
                                 .arg(entity.name(), entity.systemId()));
        }
        if (token == QXmlStreamReader::StartElement && xml.namespaceUri() == TableNs
            && xml.name() == QLatin1String("table")) {
            m_names << xml.attributes().value(TableNs, QLatin1String("name")).toString();
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError())
        throw failed(QStringLiteral("its content is damaged (%1).").arg(xml.errorString()));
}

void OdsWorkbook::readRows(int sheet, const RowReader &row) const
{
    // The content of a large workbook is read where it was unpacked.
    const std::vector<unsigned char> content = m_zip.unpackText(Content);
    QXmlStreamReader xml(QByteArray::fromRawData(reinterpret_cast<const char *>(content.data()), qsizetype(content.size())));
    int table = -1;
    qint64 rowNumber = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.namespaceUri() != TableNs)
            continue;
        if (xml.name() == QLatin1String("table")) {
            if (++table != sheet)
                xml.skipCurrentElement();
            continue;
        }
        if (table != sheet || xml.name() != QLatin1String("table-row"))
            continue;
        const qint64 rows = repeated(xml, QStringLiteral("number-rows-repeated"));
        SheetRow cells;
        qint64 column = 0;
        while (xml.readNextStartElement()) {
            const qint64 columns = repeated(xml, QStringLiteral("number-columns-repeated"));
            const SheetCell value = cellValue(xml);
            if (value && column < MaxColumns) {
                const qint64 end = std::min(column + columns, MaxColumns);
                cells.resize(size_t(end));
                std::fill(cells.begin() + column, cells.end(), value);
            }
            column += columns;
        }
        if (cells.empty()) {
            rowNumber += rows;
            continue;
        }
        for (qint64 r = 0; r < rows && rowNumber < MaxRows; ++r) {
            if (!row(++rowNumber, cells))
                return;
        }
    }
    if (xml.hasError())
        throw failed(QStringLiteral("sheet %1 is damaged after row %2 (%3).")
                         .arg(m_names.value(sheet))
                         .arg(rowNumber)
                         .arg(xml.errorString()));
}
