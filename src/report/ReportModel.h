#pragma once

#include "ReportLine.h"
#include "clsBrewery.h"

#include <QAbstractListModel>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class Windows1252Encoder;

// The report of the register, one line a row: for each brewery a line of
// its eight texts, then one line per history entry, four empty columns and
// five texts. Columns are separated by single tabs; values stand as they
// are held, unquoted and untrimmed, except that a tab or line break inside
// a value (written by another program) becomes a blank: the line could not
// be read back otherwise.
//
// A line's text is made when it is asked for, so a report of half a million
// lines opens at once and costs no more memory than its breweries.
class ReportModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Columns of the widest line, a history entry's.
    static constexpr int Columns = ReportLine::ChronikWidth;

    explicit ReportModel(QObject *parent = nullptr);

    // The breweries in report order; each is followed by its entries.
    // `progress` hears of the breweries done.
    void setBreweries(std::vector<std::shared_ptr<clsBrewery>> breweries,
                      const std::function<void(qint64 done, qint64 total)> &progress = {});

    // Hands the breweries back and empties the report.
    std::vector<std::shared_ptr<clsBrewery>> takeBreweries();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    QString lineAt(int row) const;
    // The values of line `row` as the register holds them, one a column of
    // the widest line: a brewery's eight and an empty ninth, or four empty
    // ones and a history entry's five.
    QStringList valuesAt(int row) const;
    bool isChronikLine(int row) const { return lineOf(row).chronik > 0; }
    // Whether line `row` is followed by a history entry of its brewery.
    bool hasChronikAfter(int row) const { return row + 1 < rowCount() && lineOf(row + 1).chronik > 0; }
    // The most characters a value of column `column` has, over all lines.
    int columnCharacters(int column) const { return m_columnCharacters[size_t(column)]; }
    // Writes every line, each followed by CR LF, in the saved report's code
    // page, to `out` a block at a time as it encodes, so a report of
    // millions of lines never stands in memory whole: each block is encoded
    // while the one before it is, on another core. Returns how many tabs
    // and line breaks inside values became blanks, or -1 when `out` refused
    // a block; `encoder` counts every character replaced. `progress` hears
    // of the lines written.
    qsizetype writeTo(QIODevice &out, Windows1252Encoder &encoder,
                      const std::function<void(qint64 done, qint64 total)> &progress = {}) const;

private:
    struct Line {
        size_t brewery;
        qint32 chronik; // 0 for the brewery's own line
    };
    Line lineOf(int row) const;

    std::vector<std::shared_ptr<clsBrewery>> m_breweries;
    // The row of each brewery's own line, and after the last the row count:
    // a line is found from its row without a table of millions of lines.
    std::vector<int> m_firstRows;
    // The lines of breweries [from, to) as the report file holds them.
    struct Encoded {
        QByteArray bytes;
        qsizetype flattened = 0;
        qint64 lines = 0;
    };
    Encoded encode(size_t from, size_t to, Windows1252Encoder &encoder) const;
    // The most characters of each column over breweries [from, to);
    // `progress` hears of the breweries done.
    std::array<int, Columns> widestOf(size_t from, size_t to, const std::function<void(qint64 done)> &progress) const;

    std::array<int, Columns> m_columnCharacters{};
};
