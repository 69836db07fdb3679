#include "SheetLayout.h"

#include "RegisterSchema.h"
#include "ReportImport.h"

#include <QHash>

namespace {

using Kind = SheetLayout::Kind;

// A caption as it is compared: lower case, without blanks.
QString folded(const QString &caption)
{
    QString out;
    for (QChar c : caption) {
        if (!c.isSpace())
            out += c.toLower();
    }
    return out;
}

// What a caption names in one kind of table.
enum class Role { Key, BreweryCode, Text };
struct Meaning {
    Role role;
    int text = -1;
};

QHash<QString, Meaning> namesOf(Kind kind)
{
    QHash<QString, Meaning> names;
    const auto add = [&names](const QString &name, Meaning meaning) { names.insert(folded(name), meaning); };
    if (kind == Kind::Chroniks) {
        add(RegisterSchema::ChronikParent, {Role::Key});
        add(QStringLiteral("Brauerei ID"), {Role::BreweryCode});
        for (int t = 0; t < int(ReportLine::ChronikColumns.size()); ++t) {
            add(QString::fromUtf8(ReportLine::ChronikColumns[size_t(t)].caption), {Role::Text, t});
            add(QString::fromUtf8(ReportLine::ChronikColumns[size_t(t)].field), {Role::Text, t});
        }
        return names;
    }
    if (kind == Kind::Breweries)
        add(RegisterSchema::BreweryKey, {Role::Key});
    for (int t = 0; t < ReportLine::BreweryWidth; ++t) {
        add(QString::fromUtf8(ReportLine::BreweryColumns[size_t(t)].caption), {Role::Text, t});
        add(QString::fromUtf8(ReportLine::BreweryColumns[size_t(t)].field), {Role::Text, t});
    }
    if (kind == Kind::Report) {
        const auto &longName = ReportLine::ChronikColumns[ChronikRef::NameLong];
        add(QString::fromUtf8(longName.caption), {Role::Text, ReportLine::BreweryWidth});
        add(QString::fromUtf8(longName.field), {Role::Text, ReportLine::BreweryWidth});
    }
    return names;
}

// The history entry's texts share a report's columns with the brewery's
// texts of the same field; the complete name has a column of its own.
void shareReportColumns(SheetLayout &layout, int longNameColumn)
{
    layout.chronik[ChronikRef::Code] = layout.brewery[clsBrewery::Code];
    layout.chronik[ChronikRef::Name] = layout.brewery[clsBrewery::Name];
    layout.chronik[ChronikRef::Start] = layout.brewery[clsBrewery::Start];
    layout.chronik[ChronikRef::Stop] = layout.brewery[clsBrewery::Stop];
    layout.chronik[ChronikRef::NameLong] = longNameColumn;
}

bool names(const SheetRow &row, const QStringList &captions)
{
    for (const SheetCell &cell : row) {
        for (const QString &caption : captions) {
            if (cell && folded(*cell) == folded(caption))
                return true;
        }
    }
    return false;
}

} // namespace

QString ColumnLetters(int column)
{
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

SheetLayout LayoutOf(const SheetRow &first, qint64 row, const QString &where)
{
    SheetLayout layout;
    layout.brewery.fill(-1);
    layout.chronik.fill(-1);
    const auto &longName = ReportLine::ChronikColumns[ChronikRef::NameLong];
    if (names(first, {RegisterSchema::ChronikParent, QStringLiteral("Brauerei ID")}))
        layout.kind = Kind::Chroniks;
    else if (names(first, {QString::fromUtf8(longName.caption), QString::fromUtf8(longName.field)}))
        layout.kind = Kind::Report;

    const QHash<QString, Meaning> known = namesOf(layout.kind);
    const bool header = std::any_of(first.begin(), first.end(),
                                    [&known](const SheetCell &cell) { return cell && known.contains(folded(*cell)); });
    if (!header) {
        if (first.size() > size_t(ReportLine::ChronikWidth))
            throw ImportRefused(QStringLiteral("%1, row %2: its first row names no column of the register (such as "
                                               "\"ORT\" or \"CityName\"), and with %3 columns it is no report either.")
                                    .arg(where)
                                    .arg(row)
                                    .arg(first.size()));
        layout.kind = Kind::Report;
        for (int t = 0; t < ReportLine::BreweryWidth; ++t)
            layout.brewery[size_t(t)] = t;
        shareReportColumns(layout, ReportLine::BreweryWidth);
        return layout;
    }

    layout.headerRow = row;
    QHash<QString, int> seen;
    int longNameColumn = -1;
    for (int column = 0; column < int(first.size()); ++column) {
        if (!first[size_t(column)])
            continue;
        const QString caption = *first[size_t(column)];
        const auto meaning = known.constFind(folded(caption));
        if (meaning == known.constEnd())
            throw ImportRefused(QStringLiteral("%1, row %2, column %3: \"%4\" is no column of the register.")
                                    .arg(where)
                                    .arg(row)
                                    .arg(ColumnLetters(column), caption));
        const QString what = meaning->role == Role::Text ? QStringLiteral("t%1").arg(meaning->text)
                                                         : QStringLiteral("r%1").arg(int(meaning->role));
        if (const auto before = seen.constFind(what); before != seen.constEnd())
            throw ImportRefused(QStringLiteral("%1, row %2: columns %3 and %4 both hold \"%5\".")
                                    .arg(where)
                                    .arg(row)
                                    .arg(ColumnLetters(*before), ColumnLetters(column), caption));
        seen.insert(what, column);
        if (meaning->role == Role::Key)
            layout.key = column;
        else if (meaning->role == Role::BreweryCode)
            layout.breweryCode = column;
        else if (layout.kind == Kind::Chroniks)
            layout.chronik[size_t(meaning->text)] = column;
        else if (meaning->text == ReportLine::BreweryWidth)
            longNameColumn = column;
        else
            layout.brewery[size_t(meaning->text)] = column;
    }
    if (layout.kind == Kind::Report)
        shareReportColumns(layout, longNameColumn);
    return layout;
}
