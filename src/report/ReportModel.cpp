#include "ReportModel.h"

#include "OneLine.h"
#include "ReportLine.h"
#include "Windows1252.h"

#include <QIODevice>
#include <future>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

namespace {

// The columns of a line: a brewery's eight texts, or a history entry's five
// behind four empty ones.
// Read in place: a line costs no copy of a text.
template <typename Visit> void columnsOf(const clsBrewery &b, qint32 chronik, Visit &&visit)
{
    if (chronik == 0) {
        for (int text = 0; text < ReportLine::BreweryWidth; ++text)
            visit(b.text(text));
        return;
    }
    for (int i = 0; i < ReportLine::ChronikIndent; ++i)
        visit(QAnyStringView());
    for (int text = 0; text < ChronikRef::Texts; ++text)
        visit(b.chronikText(chronik, text));
}

} // namespace

ReportModel::ReportModel(QObject *parent) : QAbstractListModel(parent) {}

void ReportModel::setBreweries(std::vector<std::shared_ptr<clsBrewery>> breweries,
                               const std::function<void(qint64, qint64)> &progress)
{
    beginResetModel();
    m_breweries = std::move(breweries);
    // The widest value of each column, over millions of lines: the later
    // half is measured on another core meanwhile.
    const size_t half = m_breweries.size() / 2;
    std::future<std::array<int, Columns>> later = std::async(std::launch::async, [this, half] {
        return widestOf(half, m_breweries.size(), {});
    });
    m_firstRows.assign(1, 0);
    m_firstRows.reserve(m_breweries.size() + 1);
    for (const auto &brewery : m_breweries)
        m_firstRows.push_back(m_firstRows.back() + (brewery ? brewery->NmbrChroniks() : -1) + 1);
    // The half measured here tells how far both have come.
    m_columnCharacters = widestOf(0, half, [&progress, half](qint64 done) {
        if (progress)
            progress(done, qint64(half));
    });
    const std::array<int, Columns> rest = later.get();
    for (size_t c = 0; c < Columns; ++c)
        m_columnCharacters[c] = std::max(m_columnCharacters[c], rest[c]);
    endResetModel();
}

std::array<int, ReportModel::Columns> ReportModel::widestOf(size_t from, size_t to,
                                                           const std::function<void(qint64)> &progress) const
{
    std::array<int, Columns> widest{};
    for (size_t i = from; i < to; ++i) {
        if (progress && (i - from) % 1024 == 0)
            progress(qint64(i - from));
        const clsBrewery *brewery = m_breweries[i].get();
        const qint32 m = brewery ? brewery->NmbrChroniks() : -1;
        for (qint32 j = 0; j <= m; ++j) {
            int column = 0;
            columnsOf(*brewery, j, [&](QAnyStringView text) {
                int &most = widest[size_t(column++)];
                most = std::max(most, int(text.size()));
            });
        }
    }
    return widest;
}

std::vector<std::shared_ptr<clsBrewery>> ReportModel::takeBreweries()
{
    beginResetModel();
    std::vector<std::shared_ptr<clsBrewery>> breweries = std::exchange(m_breweries, {});
    m_firstRows = {};
    m_columnCharacters.fill(0);
    endResetModel();
    return breweries;
}

int ReportModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || m_firstRows.empty() ? 0 : m_firstRows.back();
}

QVariant ReportModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return lineAt(index.row());
}

ReportModel::Line ReportModel::lineOf(int row) const
{
    if (row < 0 || row >= rowCount())
        throw std::out_of_range("no report line " + std::to_string(row));
    // The last brewery whose first row is not after `row`; one without
    // lines shares its first row with the next and is passed over.
    const auto after = std::upper_bound(m_firstRows.begin(), m_firstRows.end(), row);
    const size_t brewery = size_t(after - m_firstRows.begin()) - 1;
    return {brewery, row - m_firstRows[brewery]};
}

QString ReportModel::lineAt(int row) const
{
    const Line line = lineOf(row);
    QString text;
    bool first = true;
    columnsOf(*m_breweries[line.brewery], line.chronik, [&](QAnyStringView column) {
        if (!first)
            text += QLatin1Char('\t');
        if (IsOneLine(column, Nuls::Blanked))
            column.visit([&text](auto view) {
                if constexpr (std::is_same_v<decltype(view), QUtf8StringView>)
                    text += view.toString();
                else
                    text += view;
            });
        else
            text += OneLine(column, nullptr, Nuls::Blanked);
        first = false;
    });
    return text;
}

QStringList ReportModel::valuesAt(int row) const
{
    const Line line = lineOf(row);
    QStringList values;
    values.reserve(Columns);
    columnsOf(*m_breweries[line.brewery], line.chronik, [&values](QAnyStringView column) { values << column.toString(); });
    while (values.size() < Columns)
        values << QString();
    return values;
}

ReportModel::Encoded ReportModel::encode(size_t from, size_t to, Windows1252Encoder &encoder) const
{
    Encoded encoded;
    for (size_t brewery = from; brewery < to; ++brewery) {
        const qint32 lines = m_firstRows[brewery + 1] - m_firstRows[brewery];
        for (qint32 chronik = 0; chronik < lines; ++chronik) {
            bool first = true;
            columnsOf(*m_breweries[brewery], chronik, [&](QAnyStringView column) {
                if (!first)
                    encoded.bytes += '\t';
                if (IsOneLine(column, Nuls::Blanked))
                    encoder.append(encoded.bytes, column);
                else
                    encoder.append(encoded.bytes, OneLine(column, &encoded.flattened, Nuls::Blanked));
                first = false;
            });
            encoded.bytes += "\r\n";
        }
        encoded.lines += lines;
    }
    return encoded;
}

qsizetype ReportModel::writeTo(QIODevice &out, Windows1252Encoder &encoder,
                              const std::function<void(qint64, qint64)> &progress) const
{
    // Breweries a block: about a megabyte of lines.
    constexpr size_t Block = 4096;
    Windows1252Encoder beside;
    qsizetype flattened = 0;
    const qint64 total = rowCount();
    qint64 done = 0;
    const auto write = [&](const Encoded &block) {
        flattened += block.flattened;
        done += block.lines;
        if (out.write(block.bytes) != block.bytes.size())
            return false;
        if (progress)
            progress(done, total);
        return true;
    };
    bool written = true;
    for (size_t from = 0; written && from < m_breweries.size(); from += 2 * Block) {
        const size_t middle = std::min(from + Block, m_breweries.size());
        const size_t end = std::min(from + 2 * Block, m_breweries.size());
        std::future<Encoded> next = std::async(std::launch::async, [this, middle, end, &beside] {
            return encode(middle, end, beside);
        });
        written = write(encode(from, middle, encoder));
        const Encoded second = next.get();
        written = written && write(second);
    }
    encoder.countReplacedOf(beside);
    if (!written)
        return -1;
    if (progress)
        progress(total, total);
    return flattened;
}
