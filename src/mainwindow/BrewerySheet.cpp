#include "BrewerySheet.h"

#include "Counted.h"
#include "TableRows.h"
#include "ValueRules.h"

#include <algorithm>
#include <limits>

namespace {

class ChronikRows : public TableRows {
public:
    explicit ChronikRows(std::vector<QStringList> rows) : m_rows(std::move(rows)) {}
    qint64 rowCount() const override { return qint64(m_rows.size()); }
    QStringList cells(qint64 row) const override { return m_rows[size_t(row)]; }

private:
    std::vector<QStringList> m_rows;
};

// The year a period's text names ("um 1850", "1850?", "1850/51" too); a
// text that names none sorts after every year.
int yearOf(const QString &text)
{
    const int year = ReadYear(text).year;
    return year > 0 ? year : std::numeric_limits<int>::max();
}

} // namespace

std::unique_ptr<TablePages> BrewerySheet(BreweryOnPaper brewery, const PageFrame::Heading &heading,
                                         const QString &family)
{
    // By start year, then stop year; entries of equal periods keep the
    // history grid's order.
    const auto period = [&brewery](const QStringList &entry) {
        return std::pair(yearOf(entry.value(brewery.startColumn)), yearOf(entry.value(brewery.stopColumn)));
    };
    std::stable_sort(brewery.chroniks.begin(), brewery.chroniks.end(),
                     [&period](const QStringList &a, const QStringList &b) { return period(a) < period(b); });

    std::vector<TablePages::Column> columns;
    // Years are short, the complete name long; the other names and the
    // codes share the rest.
    for (int c = 0; c < brewery.chronikCaptions.size(); ++c) {
        const bool year = c == brewery.startColumn || c == brewery.stopColumn;
        columns.push_back({brewery.chronikCaptions[c], year ? 55.0 : c == brewery.longNameColumn ? 220.0 : 110.0});
    }
    const qint64 entries = qint64(brewery.chroniks.size());
    TablePages::Options options;
    options.title = QStringLiteral("Brewery sheet");
    options.kind = QStringLiteral("Brewery");
    options.orientation = QPageLayout::Portrait;
    options.heading = heading;
    options.headline = brewery.name;
    options.fields = std::move(brewery.fields);
    options.tableTitle = QStringLiteral("History");
    options.closing = CountedEntries(entries);
    return std::make_unique<TablePages>(std::move(options), std::move(columns),
                                        std::make_unique<ChronikRows>(std::move(brewery.chroniks)), family);
}
