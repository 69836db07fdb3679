#pragma once

#include <QSet>
#include <QString>
#include <utility>

// Pairs of breweries the user has marked "not a duplicate", kept in a
// small text file beside the register ("Sudregister2K.mdb.not-duplicates",
// one pair of keys a line) rather than in its tables, which other programs
// read as they are. Keys are never reused, so a mark never passes to
// another brewery.
class NotDuplicates {
public:
    explicit NotDuplicates(const QString &registerPath);

    // The file beside the register.
    static QString fileFor(const QString &registerPath);
    const QString &path() const { return m_path; }

    bool contains(qint64 a, qint64 b) const;
    // Adds the pair and writes the file whole (under a temporary name
    // first); false with `error` set when it cannot be written, and then
    // the pair is not marked.
    bool mark(qint64 a, qint64 b, QString *error);
    // Why the marks can be neither read nor kept: the file's name is taken
    // by something that is no file of marks (a pipe, a folder, a link to
    // another file, a file far larger than any list of marks). Empty when
    // they can.
    const QString &problem() const { return m_problem; }

private:
    static std::pair<qint64, qint64> ordered(qint64 a, qint64 b) { return a < b ? std::pair(a, b) : std::pair(b, a); }

    QString m_path;
    QString m_problem;
    QSet<std::pair<qint64, qint64>> m_pairs;
};
