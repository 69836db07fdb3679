// Reading the whole register into brewery objects for the report. A member
// of the main window: it reads through the window's data sources and leaves
// its results there.
#include "Sudregister.h"

#include "Attempt.h"
#include "BreweryColumns.h"
#include "ChronikReader.h"
#include "StoreError.h"
#include "clsBrewery.h"

#include <QLabel>
#include <QSet>
#include <unordered_map>

namespace {

// Keeps one copy of each distinct text. A register repeats its states,
// districts, cities, years and names many thousand times; shared copies keep
// a loaded register of 100,000 breweries to a fraction of the memory.
class TextPool {
public:
    QString operator()(const QString &text)
    {
        if (text.isEmpty())
            return QString(); // a Null column gives the empty text
        const auto it = m_texts.constFind(text);
        if (it != m_texts.constEnd())
            return *it;
        m_texts.insert(text);
        return text;
    }
    // A Null column gives the empty text; a whole number its decimal digits.
    QString operator()(const QVariant &value) { return value.isNull() ? QString() : (*this)(value.toString()); }

private:
    QSet<QString> m_texts;
};

// The same conversion for values that rarely repeat (codes, postal codes),
// which are not worth pooling.
QString unique(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

} // namespace

void Sudregister::LoadBreweryObjects()
{
    // The loader's one failure handler: each failing step is shown, then the
    // run goes on with the next step.
    const auto step = [this](const std::function<void()> &work) {
        if (const std::optional<StoreError> failure = attempt(work))
            m_boxes->critical(failure->message(), failure->component());
    };

    step([this] {
        lblMessage->setText(QStringLiteral("Loading Data"));
        QCoreApplication::processEvents();
    });
    clsBreweryChronik transfer;
    step([this] {
        if (!dsBrewery->Recordset().Bof())
            dsBrewery->Recordset().MoveFirst();
    });
    // Sized by a fresh count of the rows, not by the count last shown, which
    // misses breweries added since: the loop never reads past the end.
    int count = 0;
    step([&] { count = dsBrewery->Recordset().RecordCount(); });
    m_breweries.assign(size_t(count), nullptr);

    // The eight columns in their order, then the key.
    int fields[9] = {};
    step([&] {
        for (int f = 0; f < 9; ++f) {
            const QString name = f < 8 ? BreweryColumns[size_t(f)].field : QStringLiteral("RowId");
            fields[f] = dsBrewery->Recordset().fieldIndex(name);
            if (fields[f] < 0)
                throw StoreError(QStringLiteral("The breweries have no field %1.").arg(name));
        }
    });
    TextPool text;
    std::unordered_map<qint64, clsBrewery *> byRowId;
    byRowId.reserve(size_t(count));
    qint64 lastRowId = -1;
    // Brewery i is record i + 1 of the brewery list; the record set hands
    // each record over with its position, reading the table in one pass.
    step([&] {
        dsBrewery->Recordset().forEachRecord([&](int position, const std::vector<QVariant> &record) {
            if (position >= count)
                return;
            auto &slot = m_breweries[size_t(position)];
            slot = std::make_shared<clsBrewery>();
            clsBrewery &brewery = *slot;
            brewery.setStateName(text(record[size_t(fields[0])]));
            brewery.setCountyName(text(record[size_t(fields[1])]));
            brewery.setPostalCode(unique(record[size_t(fields[2])]));
            brewery.setCityName(text(record[size_t(fields[3])]));
            brewery.setIdCode(unique(record[size_t(fields[4])]));
            brewery.setBreweryName(text(record[size_t(fields[5])]));
            brewery.setStartYear(text(record[size_t(fields[6])]));
            brewery.setStopYear(text(record[size_t(fields[7])]));
            const qint64 rowId = record[size_t(fields[8])].toLongLong();
            byRowId.emplace(rowId, &brewery);
            if (position == count - 1)
                lastRowId = rowId;
        });
    });
    // A row that vanished between reading the keys and reading the rows
    // has no brewery: it is left out, not reported as a line of empty
    // columns.
    std::erase(m_breweries, nullptr);
    // All history entries in one pass instead of one query per brewery; each
    // brewery gets exactly the entries, in exactly the order, that its own
    // query returns.
    step([&] {
        ReadAllChroniks(dsBreweryChronik->file(), [&](qint64 parent, const QString *texts) {
            const auto owner = byRowId.find(parent);
            if (owner == byRowId.end())
                return;
            transfer.setBreweryNameLong(text(texts[0]));
            transfer.setIdCode(texts[1]);
            transfer.setBreweryName(text(texts[2]));
            transfer.setStartYear(text(texts[3]));
            transfer.setStopYear(text(texts[4]));
            owner->second->AddChronik(transfer);
        });
    });
    // The history source is left on the last brewery's entries, as a run of
    // one query per brewery would leave it.
    if (lastRowId >= 0) {
        step([&] {
            dsBreweryChronik->setRecordSource(
                QStringLiteral("select * from BreweryChronik where ParentRowId = %1").arg(lastRowId));
            dsBreweryChronik->Refresh();
        });
    }

    step([this] {
        if (!dsBrewery->Recordset().Bof())
            dsBrewery->Recordset().MoveFirst();
        if (!dsBreweryChronik->Recordset().Bof())
            dsBreweryChronik->Recordset().MoveFirst();
    });
    step([this] {
        grdBrauerien->setEnabled(true);
        grdChronik->setEnabled(true);
        grdBrauerien->setApproxCount(BreweryCount());
        grdBrauerien->Refresh();
        grdBrauerien->Scroll(0, 0);
    });
    step([this] { FillCityJumpList(); });
    // Whatever the history source held, it now shows the brewery the jump
    // made current.
    step([this] { ShowChronik(); });
    lblMessage->setText(QStringLiteral("Done Loading "));
}
