#include "ReportModel.h"

#include "OneLine.h"
#include "ReportLine.h"
#include "Windows1252.h"

#include <QIODevice>
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
        visit(QStringView());
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
    m_lines.clear();
    m_columnCharacters.fill(0);
    size_t lines = 0;
    for (const auto &brewery : m_breweries)
        lines += brewery ? size_t(brewery->NmbrChroniks()) + 1 : 0;
    m_lines.reserve(lines);
    for (int i = 0; i < int(m_breweries.size()); ++i) {
        if (progress)
            progress(i, qint64(m_breweries.size()));
        if (!m_breweries[size_t(i)])
            continue;
        const qint32 m = m_breweries[size_t(i)]->NmbrChroniks();
        for (qint32 j = 0; j <= m; ++j) {
            m_lines.push_back({i, j});
            int column = 0;
            columnsOf(*m_breweries[size_t(i)], j, [&](QStringView text) {
                int &widest = m_columnCharacters[size_t(column++)];
                widest = std::max(widest, int(text.size()));
            });
        }
    }
    endResetModel();
}

std::vector<std::shared_ptr<clsBrewery>> ReportModel::takeBreweries()
{
    beginResetModel();
    std::vector<std::shared_ptr<clsBrewery>> breweries = std::exchange(m_breweries, {});
    m_lines = {};
    m_columnCharacters.fill(0);
    endResetModel();
    return breweries;
}

int ReportModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant ReportModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return lineAt(index.row());
}

QString ReportModel::lineAt(int row) const
{
    const Line &line = m_lines.at(size_t(row));
    QString text;
    bool first = true;
    columnsOf(*m_breweries[size_t(line.brewery)], line.chronik, [&](QStringView column) {
        if (!first)
            text += QLatin1Char('\t');
        if (IsOneLine(column))
            text += column;
        else
            text += OneLine(column);
        first = false;
    });
    return text;
}

qsizetype ReportModel::writeTo(QIODevice &out, Windows1252Encoder &encoder,
                              const std::function<void(qint64, qint64)> &progress) const
{
    constexpr qsizetype Block = 1 << 20;
    qsizetype flattened = 0;
    QByteArray block;
    block.reserve(2 * Block);
    const qint64 total = qint64(m_lines.size());
    for (qint64 done = 0; done < total; ++done) {
        const Line &line = m_lines[size_t(done)];
        bool first = true;
        columnsOf(*m_breweries[size_t(line.brewery)], line.chronik, [&](QStringView column) {
            if (!first)
                block += '\t';
            if (IsOneLine(column))
                encoder.append(block, column);
            else
                encoder.append(block, OneLine(column, &flattened));
            first = false;
        });
        block += "\r\n";
        if (block.size() >= Block) {
            if (out.write(block) != block.size())
                return -1;
            block.resize(0);
            if (progress)
                progress(done + 1, total);
        }
    }
    if (out.write(block) != block.size())
        return -1;
    if (progress)
        progress(total, total);
    return flattened;
}
