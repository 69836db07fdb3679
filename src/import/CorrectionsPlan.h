#pragma once

#include "CorrectionsFile.h"
#include "RowChange.h"

#include <QHash>
#include <QString>
#include <vector>

class Register;

// What corrections from an export would change in the register, cell by
// cell, worked out before anything is written.
//
// A cell counts as corrected when the file's value differs from the value
// exported (Null and an empty text apart, as the export wrote them); it is
// then trimmed as a grid edit trims it. Where the register's value changed
// since the export too, and differently, the cell is a conflict, which
// keeps the register's value unless the file's is chosen. A brewery without
// a key, or with one the register no longer holds, is added with a key of
// the register's, its history entries with it. Within a brewery, history
// entries exactly as exported are left alone, wherever they stand; the
// others are paired with the exported entries the file no longer holds
// that they resemble most (three of five texts the same at least), and
// what stays over is added, or, when asked for, deleted. Rows the export did not hold
// are never deleted: the file cannot have meant them.
class CorrectionsPlan {
public:
    enum class Kind { Changed, Conflict, Added, Deleted };
    struct Line {
        Kind kind = Kind::Changed;
        bool chronik = false;
        // The row's key; a placeholder below 0 for a brewery added.
        qint64 key = 0;
        // Its brewery's key (a brewery's own), or placeholder.
        qint64 brewery = 0;
        // The text changed, in a report line's order; -1 for a whole row.
        int text = -1;
        // A cell's values; a whole row's texts (added: the file's, deleted:
        // the register's).
        SheetCell inRegister, inFile, exported;
        std::vector<SheetCell> texts;
        // A conflict that takes the file's value.
        bool takeFile = false;
    };

    // Throws ImportRefused for a file exported from another register, and
    // StoreError when the register cannot be read. `progress` hears the
    // breweries compared, of all the file holds.
    CorrectionsPlan(Register &reg, const CorrectionsFile &file, const CorrectionsFile::Progress &progress = {});

    const std::vector<Line> &lines() const { return m_lines; }
    // The brewery `key` as the user knows it: "Brauerei Müller (BY-12)".
    QString breweryShown(qint64 key) const { return m_shown.value(key); }
    // The field of a line, under the grids' captions.
    static QString fieldShown(const Line &line);
    void takeFile(size_t line, bool take) { m_lines[line].takeFile = take; }
    void takeFileEverywhere(bool take);
    // Deletes the rows the export held that the file no longer holds.
    void setDeleteMissing(bool remove) { m_deleteMissing = remove; }
    bool deletesMissing() const { return m_deleteMissing; }
    // "30 cells in 27 breweries changed, 2 breweries and 5 history entries
    // added, 1 conflict"; empty when the file changes nothing.
    QString summary() const;
    bool changesNothing() const;
    // The rows to write, as chosen.
    RowChanges changes() const;

private:
    template <typename Texts>
    void compare(bool chronik, qint64 key, qint64 brewery, const Texts &now, const Texts &file, const Texts *exported);
    void compareEntries(qint64 brewery, const std::vector<const CorrectionsFile::Entry *> &inFile);
    void add(bool chronik, qint64 key, qint64 brewery, const std::vector<SheetCell> &texts);
    void remove(bool chronik, qint64 key, qint64 brewery, const std::vector<SheetCell> &texts);
    bool counts(const Line &line) const;

    Register &m_register;
    const CorrectionsFile &m_file;
    QStringList m_breweryFields, m_chronikFields;
    std::vector<Line> m_lines;
    // The rows changed or deleted as stored, by table (history: true) and key.
    QHash<QPair<bool, qint64>, RowChange::Row> m_stored;
    QHash<qint64, QString> m_shown;
    bool m_deleteMissing = false;
};

// The same from the command line: the corrections in `path` written to the
// register file at `registerPath`, which no window may have open, every
// conflict decided for the register's value unless `takeFile`. Returns
// what was changed, and each conflict on a line of its own. Throws
// ImportRefused and StoreError.
QString ImportCorrections(const QString &path, const QString &registerPath, bool deleteMissing, bool takeFile);
