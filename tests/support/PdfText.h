#pragma once

#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <vector>
#include <QString>
#include <QTest>

// What a real PDF reader (poppler's pdftotext and pdfinfo) reads from a
// PDF the program wrote.
namespace PdfText {

// The text of pages `first` to `last` (1-based; 0: all), laid out as on the page.
inline QString text(const QString &pdf, int first = 0, int last = 0)
{
    QStringList arguments{QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    if (first > 0)
        arguments << QStringLiteral("-f") << QString::number(first) << QStringLiteral("-l") << QString::number(last);
    arguments << pdf << QStringLiteral("-");
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), arguments);
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        qWarning() << "pdftotext failed:" << reader.readAllStandardError();
    return QString::fromUtf8(reader.readAllStandardOutput());
}

inline int pages(const QString &pdf)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished(60000);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(info.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The text's words, blanks of any length between them taken as one.
inline QString words(const QString &text)
{
    return text.simplified();
}

// Verifies that `text` holds each of `expected`, in this order.
inline void inOrder(const QString &text, const QStringList &expected)
{
    qsizetype from = 0;
    for (const QString &item : expected) {
        const qsizetype at = text.indexOf(item, from);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("\"%1\" is missing or out of order in:\n%2").arg(item, text)));
        from = at + item.size();
    }
}

// Every word with its box in points from the page's top left, as the
// reader places it, and its page (1-based).
struct Word {
    QString text;
    QRectF box;
    int page = 0;
};

inline std::vector<Word> placedWords(const QString &pdf)
{
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        qWarning() << "pdftotext failed:" << reader.readAllStandardError();
    std::vector<Word> words;
    int page = 0;
    QXmlStreamReader xml(reader.readAllStandardOutput());
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QStringLiteral("page")) {
            ++page;
        } else if (xml.name() == QStringLiteral("word")) {
            const auto at = [&](const char *name) { return xml.attributes().value(QLatin1String(name)).toDouble(); };
            const QRectF box(QPointF(at("xMin"), at("yMin")), QPointF(at("xMax"), at("yMax")));
            words.push_back({xml.readElementText(), box, page});
        }
    }
    return words;
}

} // namespace PdfText
