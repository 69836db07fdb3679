#include "XlsxWorkbook.h"

#include <QXmlStreamReader>

namespace {

// The folder of a part ("xl/" of "xl/workbook.xml").
QString folderOf(const QString &part)
{
    return part.left(part.lastIndexOf(QLatin1Char('/')) + 1);
}

// A relationship's target, relative to the part's folder or, with a
// leading slash, to the package.
QString resolve(const QString &folder, const QString &target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    QStringList parts = (folder + target).split(QLatin1Char('/'));
    QStringList resolved;
    for (const QString &part : parts) {
        if (part == QLatin1String(".."))
            resolved.removeLast();
        else if (part != QLatin1String("."))
            resolved << part;
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

// The text of a shared or inline string: its runs' texts, without the
// phonetic guides some workbooks add.
QString stringItem(QXmlStreamReader &xml)
{
    QString text;
    int depth = 1;
    int phonetic = 0;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            --depth;
            phonetic -= xml.name() == QLatin1String("rPh");
        } else if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("t")) {
                const QString run = xml.readElementText();
                if (phonetic == 0)
                    text += run;
            } else {
                ++depth;
                phonetic += xml.name() == QLatin1String("rPh");
            }
        }
    }
    return unescaped(text);
}

// "C7": its column counted from 0, or -1 when it names none.
int columnOf(QStringView reference)
{
    int column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i].isLetter(); ++i)
        column = column * 26 + (reference[i].toUpper().unicode() - 'A' + 1);
    return i > 0 && column <= 16384 ? column - 1 : -1;
}

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
            if (attributes.value(QLatin1String("Type")).endsWith(typeEnding))
                targets.insert(attributes.value(QLatin1String("Id")).toString(),
                               resolve(base, attributes.value(QLatin1String("Target")).toString()));
        }
    }
    if (xml.hasError())
        throw failed(QStringLiteral("its part %1 is damaged (%2).").arg(rels, xml.errorString()));
    return targets;
}

void XlsxWorkbook::readStrings(const QString &part)
{
    QXmlStreamReader xml(m_zip.part(part));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
            m_strings.push_back(stringItem(xml));
    }
    if (xml.hasError())
        throw failed(QStringLiteral("its strings are damaged (%1).").arg(xml.errorString()));
}

void XlsxWorkbook::readRows(int sheet, const RowReader &row) const
{
    const QByteArray content = m_zip.part(m_sheetParts.at(sheet));
    QXmlStreamReader xml(content);
    SheetRow cells;
    qint64 rowNumber = 0;
    int column = -1;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("row")) {
            while (!cells.empty() && !cells.back())
                cells.pop_back();
            if (!cells.empty())
                row(rowNumber, cells);
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("row")) {
            const QStringView r = xml.attributes().value(QLatin1String("r"));
            rowNumber = r.isEmpty() ? rowNumber + 1 : r.toLongLong();
            cells.clear();
            column = -1;
        } else if (xml.name() == QLatin1String("c")) {
            const auto attributes = xml.attributes();
            const QStringView reference = attributes.value(QLatin1String("r"));
            column = reference.isEmpty() ? column + 1 : columnOf(reference);
            if (column < 0)
                throw failed(QStringLiteral("sheet %1, row %2: the cell address \"%3\" is damaged.")
                                 .arg(m_names.at(sheet))
                                 .arg(rowNumber)
                                 .arg(reference));
            const QString type = attributes.value(QLatin1String("t")).toString();
            SheetCell value;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("v"))
                    value = xml.readElementText();
                else if (xml.name() == QLatin1String("is"))
                    value = stringItem(xml);
                else
                    xml.skipCurrentElement();
            }
            if (type == QLatin1String("s") && value) {
                bool number = false;
                const qulonglong index = value->toULongLong(&number);
                if (!number || index >= m_strings.size())
                    throw failed(QStringLiteral("sheet %1, row %2: a cell names a string the workbook lacks.")
                                     .arg(m_names.at(sheet))
                                     .arg(rowNumber));
                value = m_strings[index];
            } else if (type == QLatin1String("str")) {
                // A formula's text: "=\"\"" is how a workbook keeps an empty text.
                value = unescaped(value.value_or(QString()));
            } else if (type == QLatin1String("b") && value) {
                value = *value == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            }
            if (value) {
                if (cells.size() <= size_t(column))
                    cells.resize(size_t(column) + 1);
                cells[size_t(column)] = std::move(value);
            }
        }
    }
    if (xml.hasError())
        throw failed(QStringLiteral("sheet %1 is damaged after row %2 (%3).")
                         .arg(m_names.at(sheet))
                         .arg(rowNumber)
                         .arg(xml.errorString()));
}
