#include "FindFolding.h"

#include "Utf8Sequence.h"

QString FoldForFind(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    FindFolder().append(out, utf8.constData(), utf8.size());
    return QString::fromUtf8(out);
}

void FindFolder::appendAscii(QByteArray &out, char c)
{
    if (c >= 'A' && c <= 'Z')
        c = char(c - 'A' + 'a');
    // "ae", "oe" and "ue" are how German writes "ä", "ö" and "ü" without
    // them.
    if (c == 'e' && m_afterVowel) {
        m_afterVowel = false;
        return;
    }
    out += c;
    m_afterVowel = c == 'a' || c == 'o' || c == 'u';
}

const QByteArray &FindFolder::folded(char32_t character)
{
    auto it = m_folded.find(character);
    if (it != m_folded.end())
        return *it;
    QString plain;
    if (character == U'ß' || character == U'ẞ') {
        plain = QStringLiteral("ss");
    } else {
        // The letter without its marks: its canonical decomposition, less
        // the combining characters.
        for (const QChar part : QString::fromUcs4(&character, 1).normalized(QString::NormalizationForm_D)) {
            if (part.category() != QChar::Mark_NonSpacing)
                plain += part.toLower();
        }
    }
    return *m_folded.insert(character, plain.toUtf8());
}

void FindFolder::append(QByteArray &out, const char *utf8, qsizetype size)
{
    m_afterVowel = false;
    for (qsizetype i = 0; i < size;) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            appendAscii(out, char(lead));
            ++i;
            continue;
        }
        const int length = std::min<qsizetype>(Utf8SequenceLength(lead), size - i);
        char32_t character = lead & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k)
            character = (character << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        for (const char c : folded(character)) {
            if (static_cast<unsigned char>(c) < 0x80) {
                appendAscii(out, c);
            } else {
                out += c;
                m_afterVowel = false;
            }
        }
        i += length;
    }
}
