#include "RecordSource.h"

#include "StoreError.h"

namespace {

struct Tokens {
    QStringList items;
    int at = 0;

    bool done() const { return at >= items.size(); }
    QString peek() const { return done() ? QString() : items.at(at); }
    QString take() { return done() ? QString() : items.at(at++); }
    bool takeKeyword(const char *word)
    {
        if (peek().compare(QLatin1String(word), Qt::CaseInsensitive) != 0)
            return false;
        ++at;
        return true;
    }
};

bool isIdentifier(const QString &token)
{
    if (token.isEmpty() || !(token.at(0).isLetter() || token.at(0) == QLatin1Char('_')))
        return false;
    for (QChar c : token) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_')) || c.unicode() > 127)
            return false;
    }
    return true;
}

Tokens tokenize(const QString &text)
{
    Tokens tokens;
    int i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-')) {
            const int start = i++;
            while (i < text.size() && (text.at(i).isLetterOrNumber() || text.at(i) == QLatin1Char('_')))
                ++i;
            tokens.items << text.mid(start, i - start);
        } else {
            tokens.items << QString(c);
            ++i;
        }
    }
    return tokens;
}

[[noreturn]] void unsupported(const QString &text)
{
    throw StoreError(QStringLiteral("The record source \"%1\" is not a query this register understands.").arg(text));
}

QString identifier(Tokens &tokens, const QString &text)
{
    const QString token = tokens.take();
    if (!isIdentifier(token))
        unsupported(text);
    return token;
}

} // namespace

RecordSource ParseRecordSource(const QString &text)
{
    Tokens tokens = tokenize(text);
    RecordSource source;
    if (tokens.items.size() == 1) {
        source.table = identifier(tokens, text);
        return source;
    }
    if (!tokens.takeKeyword("select") || tokens.take() != QLatin1String("*") || !tokens.takeKeyword("from"))
        unsupported(text);
    source.table = identifier(tokens, text);

    if (tokens.takeKeyword("where")) {
        source.whereField = identifier(tokens, text);
        if (tokens.take() != QLatin1String("="))
            unsupported(text);
        bool ok = false;
        const qint64 value = tokens.take().toLongLong(&ok);
        if (!ok)
            unsupported(text);
        source.whereValue = value;
    }
    if (tokens.takeKeyword("order")) {
        if (!tokens.takeKeyword("by"))
            unsupported(text);
        const auto key = [&] {
            source.orderBy << identifier(tokens, text);
            const bool down = tokens.takeKeyword("desc");
            if (!down)
                tokens.takeKeyword("asc");
            source.descending << down;
        };
        key();
        while (tokens.peek() == QLatin1String(",")) {
            tokens.take();
            key();
        }
    }
    if (!tokens.done())
        unsupported(text);
    return source;
}
