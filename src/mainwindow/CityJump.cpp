// The jump list: the brewery list, in its current order, cut into blocks of
// 40, each entry naming the city beginnings its block spans ("A-Be").
#include "Sudregister.h"

#include "BusyStep.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "RegisterFile.h"

#include <QComboBox>
#include <QEvent>
#include <QSignalBlocker>
#include <QStringListModel>

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

void Sudregister::FillCityJumpList()
{
    {
        const QSignalBlocker quiet(cboBrauereiJump);
        cboBrauereiJump->clear();
    }
    countBreweries();
    ::Recordset &breweries = dsBrewery->Recordset();
    const JumpListCut cut{breweries.serial(), dsBrewery->file().dataVersion(), dsBrewery->file().totalChanges()};
    if (cut != m_jumpCut) {
        m_jumpEntries = cutCityJumpList(breweries);
        m_jumpCut = cut;
    } else if (!breweries.Eof()) {
        // Where the cut's walk would have left it.
        breweries.MoveLast();
        breweries.MoveNext();
    }
    {
        const QSignalBlocker quiet(cboBrauereiJump);
        static_cast<QStringListModel *>(cboBrauereiJump->model())->setStringList(m_jumpEntries);
    }
    SelectEntry(cboBrauereiJump, 0);
}

QStringList Sudregister::cutCityJumpList(::Recordset &breweries)
{
    QString previous = QStringLiteral("A");
    QString current;
    QStringList entries;
    const int n = BreweryCount();
    // The city of each block's last brewery, all read in one pass.
    std::vector<int> blockEnds;
    for (int i = BlockRows - 1; i < n; i += BlockRows)
        blockEnds.push_back(i);
    // Reading the cities and walking a million breweries take a second.
    BusyStep busy(lblMessage, QStringLiteral("Cutting the jump list"));
    const std::vector<QVariant> cities = breweries.valuesAt(
        blockEnds, breweries.fieldIndex(QStringLiteral("CityName")),
        [&busy, n](qint64 done, qint64 total) { busy(done * n / std::max<qint64>(total, 1), 2 * qint64(n)); });
    for (int i = 0; i < n; ++i) {
        busy(qint64(n) + i, 2 * qint64(n));
        if ((i + 1) % BlockRows == 0) {
            if (i + 1 == BreweryCount()) {
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

void Sudregister::cboBrauereiJump_Click()
{
    storePendingEdits();
    const QString entry = cboBrauereiJump->currentText();
    const QString prefix = entry.left(entry.indexOf(QLatin1Char('-')));
    // Looking through a million cities takes a moment of its own.
    BusyStep busy(lblMessage, QStringLiteral("Jumping to %1").arg(entry));
    m_register->jumpToCity(prefix, [&busy](qint64 done, qint64 total) { busy(done, total); });
    grdBrauerien->setAllowDelete(true);
}

bool Sudregister::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cboBrauereiJump && event->type() == QEvent::FocusIn && cboBrauereiJump->count() == 0)
        m_work->run([this] { FillCityJumpList(); });
    return QWidget::eventFilter(watched, event);
}
