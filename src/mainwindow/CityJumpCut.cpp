#include "CityJumpCut.h"

#include "BusyStep.h"
#include "Recordset.h"
#include "RegisterFile.h"

#include <algorithm>

namespace {

constexpr int BlockRows = 40;

// The first `count` characters of a text; a character outside the basic
// plane is never cut in half.
QString leadingCharacters(const QString &text, int count)
{
    qsizetype end = 0;
    for (int n = 0; n < count && end < text.size(); ++n)
        end += text.at(end).isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
    return text.left(end);
}

} // namespace

const QStringList &CityJumpCut::entries(Recordset &breweries, RegisterFile &file, int count, QLabel *message)
{
    const State now{breweries.serial(), file.dataVersion(), file.totalChanges()};
    if (now != m_cutFrom) {
        m_entries = cut(breweries, count, message);
        m_cutFrom = now;
    } else if (!breweries.Eof()) {
        // Where the cut's walk would have left it.
        breweries.MoveLast();
        breweries.MoveNext();
    }
    return m_entries;
}

QStringList CityJumpCut::cut(Recordset &breweries, int count, QLabel *message)
{
    QString previous = QStringLiteral("A");
    QString current;
    QStringList entries;
    const int n = count;
    // The city of each block's last brewery, all read in one pass.
    std::vector<int> blockEnds;
    for (int i = BlockRows - 1; i < n; i += BlockRows)
        blockEnds.push_back(i);
    // Reading the cities and walking a million breweries take a second.
    BusyStep busy(message, QStringLiteral("Cutting the jump list"));
    const std::vector<QVariant> cities = breweries.valuesAt(
        blockEnds, breweries.fieldIndex(QStringLiteral("CityName")),
        [&busy, n](qint64 done, qint64 total) { busy(done * n / std::max<qint64>(total, 1), 2 * qint64(n)); });
    for (int i = 0; i < n; ++i) {
        busy(qint64(n) + i, 2 * qint64(n));
        if ((i + 1) % BlockRows == 0) {
            if (i + 1 == n) {
                current = QStringLiteral("Zz");
            } else {
                // A brewery without a city gives an empty prefix.
                const QString city = cities[size_t(i / BlockRows)].toString();
                current = leadingCharacters(city, 2);
                if (current == previous)
                    current = leadingCharacters(city, 3);
            }
            entries << previous + QLatin1Char('-') + current;
            previous = current;
        }
        breweries.MoveNext();
    }
    if (previous != QLatin1String("Zz"))
        entries << previous + QStringLiteral("-Zz");
    return entries;
}
