#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// Text as the find compares it: lower case, accents dropped ("Café" as
// "cafe", "Plzeň" as "plzen"), "ß" as "ss", and the German spellings of the
// umlauts without them ("ü" and "ue" both as "u"), so that "münchen",
// "munchen", "MUENCHEN" and "Muenchen" all meet "München". Typed words and
// stored values are folded alike, so every true match stays one.
QString FoldForFind(const QString &text);

// The same, from UTF-8 to UTF-8, for building the index of a whole
// register: ASCII, nearly all of it, takes one step a byte, and each other
// character is folded once and remembered.
class FindFolder {
public:
    // Appends the folded `utf8` to `out`; a value ends where the next begins.
    void append(QByteArray &out, const char *utf8, qsizetype size);

private:
    void appendAscii(QByteArray &out, char c);
    const QByteArray &folded(char32_t character);

    QHash<char32_t, QByteArray> m_folded;
    bool m_afterVowel = false; // the last letter may take up an "e"
};
