#include "ReportPages.h"

#include "ReportLine.h"
#include "ReportModel.h"
#include "TableRows.h"

namespace {

class ReportLines : public TableRows {
public:
    explicit ReportLines(const ReportModel &model) : m_model(model) {}
    qint64 rowCount() const override { return m_model.rowCount(); }
    QStringList cells(qint64 row) const override { return m_model.valuesAt(int(row)); }
    int indentedFrom(qint64 row) const override
    {
        return m_model.isChronikLine(int(row)) ? ReportLine::ChronikIndent : -1;
    }
    bool keepsWithNext(qint64 row) const override
    {
        return !m_model.isChronikLine(int(row)) && m_model.hasChronikAfter(int(row));
    }

private:
    const ReportModel &m_model;
};

// Values this long get their room when the page has it; longer ones wrap.
constexpr int WidestShare = 32;

} // namespace

std::unique_ptr<TablePages> ReportPages(const ReportModel &model, const QStringList &captions,
                                        const PageFrame::Heading &heading, const QString &family)
{
    // Each column as wide as its longest value, within bounds: a caption
    // stays whole, a long name wraps rather than crowd the others.
    // Counted in capitals, the widest letters of codes and states.
    const qreal character = PrintFont(family, TablePages::BodyPoints).advance(QStringLiteral("H"));
    const PrintFont bold(family, TablePages::BodyPoints, true);
    std::vector<TablePages::Column> columns;
    for (int c = 0; c < ReportModel::Columns; ++c) {
        const QString caption = captions.value(c);
        const int longest = std::min(model.columnCharacters(c), WidestShare);
        // A character to spare, for the widest capitals ("MW"), and the
        // history entries' indent where they begin.
        columns.push_back({caption, std::max(bold.advance(caption),
                                             (longest + 1 + (c == ReportLine::ChronikIndent ? 2 : 0)) * character)});
    }
    TablePages::Options options;
    options.title = QStringLiteral("Report");
    options.kind = QStringLiteral("Report");
    options.orientation = QPageLayout::Landscape;
    options.heading = heading;
    return std::make_unique<TablePages>(std::move(options), std::move(columns), std::make_unique<ReportLines>(model),
                                        family);
}
