#include "RegisterCheck.h"

#include "FindFolding.h"
#include "RegisterFile.h"
#include "ReportLine.h"
#include "TableReader.h"
#include "ValueRules.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <array>
#include <future>
#include <numeric>

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

// A brewery as its findings and those of its entries need it.
struct Period {
    qint64 key;
    int start;
    int stop;
    QString name;
    QString city;
};

// How often a state is used, and by which breweries while it is rare.
struct StateUse {
    int count = 0;
    std::array<qint64, 2> firstKeys{};
};

struct Entry {
    qint64 key;
    qint64 parent;
    int start;
    int stop;
    // The years as written, when they are no plain number ("um 1850").
    QString startText;
    QString stopText;
};

// What the history entries hold on their own: their periods, and the
// findings of their values alone (brewery names still to come).
struct EntriesRead {
    std::vector<Entry> entries;
    std::vector<Finding> found;
};

EntriesRead readEntries(RegisterFile &file, const ValueRules &rules, const std::function<bool()> &cancelled)
{
    const QString StartCaption = captionOf(QStringLiteral("StartYear"));
    const QString StopCaption = captionOf(QStringLiteral("StopYear"));
    EntriesRead read;
    ReadAllChronikEntries(file, [&](qint64 key, qint64 parent, const QByteArrayView *texts) {
        if (cancelled())
            return;
        QString values[ChronikRef::Texts];
        for (int t = 0; t < ChronikRef::Texts; ++t)
            values[t] = QString::fromUtf8(texts[t]);
        for (int t : {int(ChronikRef::Start), int(ChronikRef::Stop)}) {
            if (const std::optional<ValueNote> note = rules.noteOnYear(t == ChronikRef::Stop, values[ChronikRef::Start],
                                                                       values[ChronikRef::Stop], StartCaption, StopCaption))
                read.found.push_back({RuleOf(note->rule), note->error, parent, key, captionOf(chronikField(t)), values[t],
                                      QStringLiteral("History entry: %1").arg(note->text), {}, {}});
        }
        for (int t = 0; t < ChronikRef::Texts; ++t) {
            if (const QString why = blanksIn(texts[t]); !why.isEmpty())
                read.found.push_back({Finding::Rule::Blanks, true, parent, key, captionOf(chronikField(t)), values[t],
                                      QStringLiteral("History entry: %1 %2").arg(captionOf(chronikField(t)), why), {}, {}});
        }
        const int start = ReadYear(values[ChronikRef::Start]).year;
        const int stop = ReadYear(values[ChronikRef::Stop]).year;
        const auto unless = [](const QString &text, int year) { return text == QString::number(year) ? QString() : text; };
        read.entries.push_back({key, parent, start, stop, unless(values[ChronikRef::Start], start),
                                unless(values[ChronikRef::Stop], stop)});
    });
    return read;
}

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

Finding::Rule RuleOf(ValueNote::Rule rule)
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
    QHash<QString, StateUse> states;
    // The first brewery of each folded name and city, and of each ID: a
    // later one is its duplicate. Grouping, not comparing every pair.
    QHash<QString, qint64> firstByName;
    QHash<QString, qint64> firstByCode;
    std::vector<Finding> sameCode;
    std::vector<Finding> sameName;
    const std::function<bool()> cancelled = [progress] { return progress && progress->cancel.load(); };

    // The history entries are read beside the breweries, on a connection
    // of their own: the check takes both cores.
    std::future<EntriesRead> entriesRead = std::async(std::launch::async, [&file, &rules, &cancelled] {
        const std::unique_ptr<RegisterFile> reader = RegisterFile::openReader(file.path());
        return readEntries(*reader, rules, cancelled);
    });
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
                add({RuleOf(note->rule), note->error, -1, -1, captionOf(breweryField(t)), values[t], note->text, {}, {}});
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
        breweries.push_back({key, ReadYear(values[clsBrewery::Start]).year, ReadYear(values[clsBrewery::Stop]).year,
                             values[clsBrewery::Name], values[clsBrewery::City]});
        if (const QString state = values[clsBrewery::State].trimmed(); !state.isEmpty()) {
            StateUse &use = states[state];
            if (use.count < int(use.firstKeys.size()))
                use.firstKeys[size_t(use.count)] = key;
            ++use.count;
        }
        const auto duplicate = [&](QHash<QString, qint64> &first, const QString &groupKey, std::vector<Finding> &into,
                                   const QString &how, bool sure) {
            if (groupKey.isEmpty())
                return;
            const auto at = first.constFind(groupKey);
            if (at == first.constEnd()) {
                first.insert(groupKey, key);
                return;
            }
            Finding same{Finding::Rule::Duplicate, sure, key, -1, QString(), QString(),
                         QStringLiteral("%1 as brewery %2 (%3)").arg(how).arg(*at).arg(sure ? QStringLiteral("sure")
                                                                                            : QStringLiteral("likely")),
                         values[clsBrewery::Name], values[clsBrewery::City]};
            same.other = *at;
            into.push_back(std::move(same));
        };
        duplicate(firstByCode, values[clsBrewery::Code].trimmed(), sameCode, QStringLiteral("The same ID"), true);
        duplicate(firstByName, duplicateKey(values[clsBrewery::Name], values[clsBrewery::City]), sameName,
                  QStringLiteral("The same name and city, once folded,"), false);
    });
    if (cancelled())
        return {};

    const auto breweryOf = [&breweries](qint64 key) -> const Period * {
        const auto at = std::lower_bound(breweries.begin(), breweries.end(), key,
                                         [](const Period &p, qint64 k) { return p.key < k; });
        return at != breweries.end() && at->key == key ? &*at : nullptr;
    };
    const auto addFor = [&](qint64 brewery, Finding finding) {
        finding.brewery = brewery;
        if (const Period *period = breweryOf(brewery)) {
            finding.breweryName = period->name;
            finding.city = period->city;
        }
        found.push_back(std::move(finding));
    };

    EntriesRead read = entriesRead.get();
    if (cancelled())
        return {};
    for (Finding &f : read.found)
        addFor(f.brewery, std::move(f));
    std::vector<Entry> &entries = read.entries;
    for (const Entry &entry : entries) {
        const Period *brewery = breweryOf(entry.parent);
        if (!brewery)
            continue;
        const auto written = [](const QString &text, int year) { return text.isEmpty() ? QString::number(year) : text; };
        if (entry.start > 0 && brewery->start > 0 && entry.start < brewery->start)
            addFor(entry.parent, {Finding::Rule::OutsideBrewery, true, -1, entry.key, captionOf(chronikField(ChronikRef::Start)),
                                  written(entry.startText, entry.start),
                                  QStringLiteral("History entry begins in %1, before its brewery (%2)")
                                      .arg(entry.start)
                                      .arg(brewery->start),
                                  {}, {}});
        if (entry.stop > 0 && brewery->stop > 0 && entry.stop > brewery->stop)
            addFor(entry.parent, {Finding::Rule::OutsideBrewery, true, -1, entry.key, captionOf(chronikField(ChronikRef::Stop)),
                                  written(entry.stopText, entry.stop),
                                  QStringLiteral("History entry ends in %1, after its brewery (%2)")
                                      .arg(entry.stop)
                                      .arg(brewery->stop),
                                  {}, {}});
    }

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
    for (auto use = states.cbegin(); use != states.cend(); ++use) {
        if (use->count >= 3 || germanStates().contains(use.key().toUpper()))
            continue;
        for (int i = 0; i < use->count; ++i)
            addFor(use->firstKeys[size_t(i)],
                   {Finding::Rule::RareState, false, -1, -1, captionOf(QStringLiteral("StateName")), use.key(),
                    QStringLiteral("BL \"%1\" is no German state's code and %2 brewery has it")
                        .arg(use.key(), use->count == 1 ? QStringLiteral("no other") : QStringLiteral("one other")),
                    {}, {}});
    }

    // Each later duplicate names the first; their names are those of the
    // first breweries.
    for (std::vector<Finding> *same : {&sameCode, &sameName}) {
        for (Finding &f : *same) {
            if (const Period *first = breweryOf(f.other))
                f.value = first->name;
            found.push_back(std::move(f));
        }
    }

    // By brewery, its own findings first, then those of its entries by
    // their keys, each in the order found: the findings are sorted by their
    // places, then moved once.
    std::vector<quint32> order(found.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&found](quint32 a, quint32 b) {
        return std::tie(found[a].brewery, found[a].chronik) < std::tie(found[b].brewery, found[b].chronik);
    });
    std::vector<Finding> sorted;
    sorted.reserve(found.size());
    for (quint32 i : order)
        sorted.push_back(std::move(found[i]));
    return sorted;
}
