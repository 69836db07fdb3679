#include "RegisterCheck.h"

#include "FindFolding.h"
#include "ReportLine.h"
#include "TableReader.h"
#include "ValueRules.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <array>

namespace {

// Field names of the columns, by the texts' numbers, made once: the check
// asks for them millions of times.
template <size_t N> std::array<QString, N> fieldNames(const std::array<ReportLine::Column, N> &columns)
{
    std::array<QString, N> names;
    for (size_t t = 0; t < N; ++t)
        names[t] = QString::fromUtf8(columns[t].field);
    return names;
}
QString breweryField(int text)
{
    static const auto fields = fieldNames(ReportLine::BreweryColumns);
    return fields[size_t(text)];
}
QString chronikField(int text)
{
    static const auto fields = fieldNames(ReportLine::ChronikColumns);
    return fields[size_t(text)];
}
QString captionOf(const QString &field)
{
    static const QHash<QString, QString> captions = [] {
        QHash<QString, QString> byField;
        for (const auto &column : ReportLine::ChronikColumns)
            byField.insert(QString::fromUtf8(column.field), QString::fromUtf8(column.caption));
        for (const auto &column : ReportLine::BreweryColumns)
            byField.insert(QString::fromUtf8(column.field), QString::fromUtf8(column.caption));
        return byField;
    }();
    return captions.value(field, field);
}

Finding::Rule ruleOf(ValueNote::Rule rule)
{
    switch (rule) {
    case ValueNote::Rule::StopBeforeStart:
        return Finding::Rule::StopBeforeStart;
    case ValueNote::Rule::PostalCode:
        return Finding::Rule::PostalCode;
    case ValueNote::Rule::Year:
        break;
    }
    return Finding::Rule::Year;
}

// Blanks at the ends of a value, or a character below a blank inside it:
// the grids store neither; other programs may.
QString blanksIn(QByteArrayView text)
{
    if (text.isEmpty())
        return {};
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20)
            return QStringLiteral("holds a control character (a tab or a line break)");
    }
    if (text.front() == ' ' || text.back() == ' ')
        return QStringLiteral("has blanks at its ends");
    return {};
}

const QSet<QString> &germanStates()
{
    static const QSet<QString> codes{"BW", "BY", "BE", "BB", "HB", "HH", "HE", "MV",
                                     "NI", "NW", "RP", "SL", "SN", "ST", "SH", "TH"};
    return codes;
}

// How the duplicates meet: the name folded as the find folds it, without
// the words every brewery's name may or may not carry, with the city.
QString duplicateKey(const QString &name, const QString &city)
{
    // The words as folding leaves them ("Brauerei" becomes "braurei").
    static const QRegularExpression optional(QStringLiteral("\\b(%1|%2|%3)\\b")
                                                 .arg(FoldForFind(QStringLiteral("Brauerei")),
                                                      FoldForFind(QStringLiteral("Brauhaus")), FoldForFind(QStringLiteral("Bräu"))));
    QString folded = FoldForFind(name);
    folded.replace(optional, QString());
    folded = folded.simplified();
    if (folded.isEmpty())
        return {};
    return folded + QLatin1Char('|') + FoldForFind(city).simplified();
}

struct Period {
    qint64 key;
    int start;
    int stop;
};

struct Entry {
    qint64 key;
    qint64 parent;
    int start;
    int stop;
};

} // namespace

namespace {

struct RuleWords {
    // Never changes: it names the rule in the settings.
    const char *key;
    const char *name;
    const char *explanation;
};

// By Finding::Rule, in its order.
constexpr RuleWords Rules[] = {
    {"Year", "Year", "A year that is none, one to come, or one not known exactly (only noted)."},
    {"StopBeforeStart", "Stop before start", "A stop year before the start year."},
    {"OutsideBrewery", "History outside its brewery", "A history entry that begins before its brewery or ends after it."},
    {"Overlap", "History periods overlap", "Two history entries of one brewery whose periods overlap."},
    {"PostalCode", "Postal code", "A postal code of neither five digits nor the four of before 1993 (only noted)."},
    {"RareState", "Rare state", "A state that is no German state's code and that hardly any brewery has."},
    {"Blanks", "Blanks or control characters",
     "Blanks at a value's ends or control characters inside, which the grids never store."},
    {"Duplicate", "Duplicate", "Two breweries of the same name and city once folded as the find folds, or of one ID."},
};
static_assert(std::size(Rules) == size_t(Finding::RuleCount));

} // namespace

QString RuleKey(Finding::Rule rule)
{
    return QString::fromLatin1(Rules[size_t(rule)].key);
}

QString RuleName(Finding::Rule rule)
{
    return QString::fromUtf8(Rules[size_t(rule)].name);
}

QString RuleExplanation(Finding::Rule rule)
{
    return QString::fromUtf8(Rules[size_t(rule)].explanation);
}

std::vector<Finding> CheckRegister(RegisterFile &file, int currentYear, CheckProgress *progress)
{
    const ValueRules rules(currentYear);
    const QString StartCaption = captionOf(QStringLiteral("StartYear"));
    const QString StopCaption = captionOf(QStringLiteral("StopYear"));
    std::vector<Finding> found;
    std::vector<Period> breweries;
    // Name and city of each brewery, by key, for the findings of its entries.
    QHash<qint64, QString> names;
    QHash<QString, int> stateCount;
    std::vector<std::pair<QString, qint64>> states;
    std::vector<std::pair<QString, qint64>> byName;
    std::vector<std::pair<QString, qint64>> byCode;
    const auto cancelled = [progress] { return progress && progress->cancel.load(); };

    ReadAllBreweries(file, [&](qint64 key, const QByteArrayView *texts) {
        if (progress)
            ++progress->done;
        QString values[clsBrewery::Texts];
        for (int t = 0; t < clsBrewery::Texts; ++t)
            values[t] = QString::fromUtf8(texts[t]);
        const auto add = [&](Finding finding) {
            finding.brewery = key;
            finding.breweryName = values[clsBrewery::Name];
            finding.city = values[clsBrewery::City];
            found.push_back(std::move(finding));
        };
        const auto noted = [&](int t, const std::optional<ValueNote> &note) {
            if (note)
                add({ruleOf(note->rule), note->error, -1, -1, captionOf(breweryField(t)), values[t], note->text, {}, {}});
        };
        noted(clsBrewery::Start, rules.noteOnYear(false, values[clsBrewery::Start], values[clsBrewery::Stop], StartCaption,
                                                  StopCaption));
        noted(clsBrewery::Stop, rules.noteOnYear(true, values[clsBrewery::Start], values[clsBrewery::Stop], StartCaption,
                                                 StopCaption));
        noted(clsBrewery::Postal, rules.noteOnPostalCode(values[clsBrewery::Postal], captionOf(breweryField(clsBrewery::Postal))));
        for (int t = 0; t < clsBrewery::Texts; ++t) {
            if (const QString why = blanksIn(texts[t]); !why.isEmpty())
                add({Finding::Rule::Blanks, true, -1, -1, captionOf(breweryField(t)), values[t],
                     QStringLiteral("%1 %2").arg(captionOf(breweryField(t)), why), {}, {}});
        }
        breweries.push_back({key, ReadYear(values[clsBrewery::Start]).year, ReadYear(values[clsBrewery::Stop]).year});
        const QString state = values[clsBrewery::State].trimmed();
        if (!state.isEmpty()) {
            ++stateCount[state];
            states.emplace_back(state, key);
        }
        if (const QString nameKey = duplicateKey(values[clsBrewery::Name], values[clsBrewery::City]); !nameKey.isEmpty())
            byName.emplace_back(nameKey, key);
        if (const QString code = values[clsBrewery::Code].trimmed(); !code.isEmpty())
            byCode.emplace_back(code, key);
        names.insert(key, values[clsBrewery::Name] + QLatin1Char('\t') + values[clsBrewery::City]);
    });
    if (cancelled())
        return {};

    const auto breweryOf = [&breweries](qint64 key) -> const Period * {
        const auto at = std::lower_bound(breweries.begin(), breweries.end(), key,
                                         [](const Period &p, qint64 k) { return p.key < k; });
        return at != breweries.end() && at->key == key ? &*at : nullptr;
    };
    const auto nameOf = [&names](qint64 key) { return names.value(key); };
    const auto addFor = [&](qint64 brewery, Finding finding) {
        finding.brewery = brewery;
        const QString name = nameOf(brewery);
        finding.breweryName = name.section(QLatin1Char('\t'), 0, 0);
        finding.city = name.section(QLatin1Char('\t'), 1);
        found.push_back(std::move(finding));
    };

    std::vector<Entry> entries;
    ReadAllChronikEntries(file, [&](qint64 key, qint64 parent, const QByteArrayView *texts) {
        QString values[ChronikRef::Texts];
        for (int t = 0; t < ChronikRef::Texts; ++t)
            values[t] = QString::fromUtf8(texts[t]);
        for (int t : {int(ChronikRef::Start), int(ChronikRef::Stop)}) {
            if (const std::optional<ValueNote> note = rules.noteOnYear(t == ChronikRef::Stop, values[ChronikRef::Start],
                                                                       values[ChronikRef::Stop], StartCaption, StopCaption))
                addFor(parent, {ruleOf(note->rule), note->error, -1, key, captionOf(chronikField(t)), values[t],
                                QStringLiteral("History entry: %1").arg(note->text), {}, {}});
        }
        for (int t = 0; t < ChronikRef::Texts; ++t) {
            if (const QString why = blanksIn(texts[t]); !why.isEmpty())
                addFor(parent, {Finding::Rule::Blanks, true, -1, key, captionOf(chronikField(t)), values[t],
                                QStringLiteral("History entry: %1 %2").arg(captionOf(chronikField(t)), why), {}, {}});
        }
        const int start = ReadYear(values[ChronikRef::Start]).year;
        const int stop = ReadYear(values[ChronikRef::Stop]).year;
        entries.push_back({key, parent, start, stop});
        if (const Period *brewery = breweryOf(parent)) {
            if (start > 0 && brewery->start > 0 && start < brewery->start)
                addFor(parent, {Finding::Rule::OutsideBrewery, true, -1, key, captionOf(chronikField(ChronikRef::Start)),
                                values[ChronikRef::Start],
                                QStringLiteral("History entry begins in %1, before its brewery (%2)").arg(start).arg(brewery->start),
                                {}, {}});
            if (stop > 0 && brewery->stop > 0 && stop > brewery->stop)
                addFor(parent, {Finding::Rule::OutsideBrewery, true, -1, key, captionOf(chronikField(ChronikRef::Stop)),
                                values[ChronikRef::Stop],
                                QStringLiteral("History entry ends in %1, after its brewery (%2)").arg(stop).arg(brewery->stop),
                                {}, {}});
        }
    });
    if (cancelled())
        return {};

    // Periods of one brewery in the order they begin: each may begin where
    // the one before ended, not before.
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return std::tie(a.parent, a.start, a.key) < std::tie(b.parent, b.start, b.key);
    });
    for (size_t i = 1; i < entries.size(); ++i) {
        const Entry &before = entries[i - 1];
        const Entry &entry = entries[i];
        if (entry.parent != before.parent || entry.start <= 0 || before.start <= 0 || before.stop <= 0)
            continue;
        if (entry.start < before.stop)
            addFor(entry.parent, {Finding::Rule::Overlap, true, -1, entry.key, captionOf(QStringLiteral("StartYear")),
                                  QString::number(entry.start),
                                  QStringLiteral("History entry begins in %1, before the entry of %2–%3 ends")
                                      .arg(entry.start)
                                      .arg(before.start)
                                      .arg(before.stop),
                                  {}, {}});
    }

    // A state no German one and of fewer than three breweries.
    for (const auto &[state, key] : states) {
        if (!germanStates().contains(state.toUpper()) && stateCount.value(state) < 3)
            addFor(key, {Finding::Rule::RareState, false, -1, -1, captionOf(QStringLiteral("StateName")), state,
                         QStringLiteral("BL \"%1\" is no German state's code and %2 brewery has it")
                             .arg(state, stateCount.value(state) == 1 ? QStringLiteral("no other") : QStringLiteral("one other")),
                         {}, {}});
    }

    // Duplicates meet under their key; each later one names the first.
    const auto duplicates = [&](std::vector<std::pair<QString, qint64>> &keyed, const QString &how, bool sure) {
        std::sort(keyed.begin(), keyed.end());
        for (size_t i = 1; i < keyed.size(); ++i) {
            size_t first = i - 1;
            while (first > 0 && keyed[first - 1].first == keyed[i].first)
                --first;
            if (keyed[i].first != keyed[i - 1].first)
                continue;
            const qint64 other = keyed[first].second;
            Finding duplicate{Finding::Rule::Duplicate, sure, -1, -1, QString(), nameOf(other).section(QLatin1Char('\t'), 0, 0),
                              QStringLiteral("%1 as brewery %2 (%3)").arg(how).arg(other).arg(sure ? QStringLiteral("sure")
                                                                                                    : QStringLiteral("likely")),
                              {}, {}};
            duplicate.other = other;
            addFor(keyed[i].second, std::move(duplicate));
        }
    };
    duplicates(byCode, QStringLiteral("The same ID"), true);
    duplicates(byName, QStringLiteral("The same name and city, once folded,"), false);

    std::stable_sort(found.begin(), found.end(), [](const Finding &a, const Finding &b) { return a.brewery < b.brewery; });
    return found;
}
