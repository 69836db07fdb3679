// Reading the whole register into brewery objects for the report. A member
// of the main window: it reads through the window's data sources and leaves
// its results there.
#include "Sudregister.h"

#include "Attempt.h"
#include "BreweryColumns.h"
#include "BusyStep.h"
#include "ChronikReader.h"
#include "RegisterFile.h"
#include "StoreError.h"
#include "TextNumbers.h"
#include "clsBrewery.h"

#include <QLabel>
#include <QHash>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Keeps one copy of each distinct text, found by its UTF-8 bytes before
// anything is converted. A register repeats its states, districts, cities,
// years and names many thousand times; shared copies keep a loaded register
// to a fraction of the memory, and each distinct text is converted once.
class TextPool {
public:
    // A Null column, like an empty one, gives the empty text.
    QString operator()(QByteArrayView utf8)
    {
        if (utf8.isEmpty())
            return QString();
        const quint32 n = m_numbers.number(std::string_view(utf8.data(), size_t(utf8.size())));
        if (n > m_texts.size())
            m_texts.push_back(QString::fromUtf8(utf8));
        return m_texts[n - 1];
    }

private:
    TextNumbers m_numbers;
    std::vector<QString> m_texts;
};

// The same conversion for values that rarely repeat (codes), which are not
// worth pooling.
QString unique(QByteArrayView utf8)
{
    return utf8.isEmpty() ? QString() : QString::fromUtf8(utf8);
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
    // Reading a million breweries and their history takes seconds: the
    // window shows how far it has come and stays painted.
    BusyStep busy(lblMessage, QStringLiteral("Loading Data"));
    qint64 entries = 0;
    step([&] {
        Cursor highest = dsBreweryChronik->file().cached("SELECT max(rowid) FROM BreweryChronik");
        if (highest.step())
            entries = highest.int64(0);
    });
    // The last report's objects go first, one brewery at a time, so that
    // freeing millions of them does not hold the window still either.
    std::vector<std::shared_ptr<clsBrewery>> last = std::exchange(m_breweries, {});
    const qint64 work = qint64(last.size()) + count + entries;
    qint64 visited = 0;
    for (auto &brewery : last) {
        brewery.reset();
        busy(++visited, work);
    }
    last = {};
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
    QHash<qint64, clsBrewery *> byRowId;
    byRowId.reserve(count);
    qint64 lastRowId = -1;
    // Brewery i is record i + 1 of the brewery list; the record set hands
    // each record over with its position, reading the table in one pass.
    step([&] {
        dsBrewery->Recordset().forEachRecord([&](int position, const Cursor &record) {
            if (position >= count)
                return;
            busy(++visited, work);
            auto &slot = m_breweries[size_t(position)];
            slot = std::make_shared<clsBrewery>();
            clsBrewery &brewery = *slot;
            brewery.setStateName(text(record.utf8(fields[0] + 1)));
            brewery.setCountyName(text(record.utf8(fields[1] + 1)));
            brewery.setPostalCode(text(record.utf8(fields[2] + 1)));
            brewery.setCityName(text(record.utf8(fields[3] + 1)));
            brewery.setIdCode(unique(record.utf8(fields[4] + 1)));
            brewery.setBreweryName(text(record.utf8(fields[5] + 1)));
            brewery.setStartYear(text(record.utf8(fields[6] + 1)));
            brewery.setStopYear(text(record.utf8(fields[7] + 1)));
            const qint64 rowId = record.int64(fields[8] + 1);
            byRowId.insert(rowId, &brewery);
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
        ReadAllChroniks(dsBreweryChronik->file(), [&](qint64 parent, const QByteArrayView *texts) {
            busy(++visited, work);
            clsBrewery *const owner = byRowId.value(parent);
            if (!owner)
                return;
            transfer.setBreweryNameLong(text(texts[0]));
            transfer.setIdCode(unique(texts[1]));
            transfer.setBreweryName(text(texts[2]));
            transfer.setStartYear(text(texts[3]));
            transfer.setStopYear(text(texts[4]));
            owner->AddChronik(transfer);
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
