#pragma once

#include <QHash>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <vector>

class Register;
class TextStore;
class clsBrewery;
struct ChronikBlock;

// Reads the register into brewery objects for the report: the first
// `count` breweries of the list, in its order, each with exactly the
// history entries, in exactly the order, that its own query returns. Two
// steps, so that the window can report a failure of either and go on.
class BreweryLoad {
public:
    // `tick` runs once per brewery and per history entry read, and now and
    // then while the load prepares.
    BreweryLoad(Register &reg, int count, std::function<void()> tick);
    ~BreweryLoad();

    // The breweries, in one pass over the table. A brewery that vanished
    // between reading the list and reading the rows is left out, not made a
    // line of empty columns.
    void readBreweries();
    // Every history entry, in one pass over the table rather than one query
    // per brewery, each given to its brewery. The pass runs on a core and a
    // connection of its own from the start of readBreweries(), beside it.
    void readChroniks();

    std::vector<std::shared_ptr<clsBrewery>> take();
    // The key of the list's last brewery read; -1 when none was.
    qint64 lastRowId() const { return m_lastRowId; }

private:
    class TextPool;
    // The history entries as the worker read them: each brewery's, by its
    // key, with their texts in a store of their own.
    struct ChronikRun {
        qint64 parent;
        std::shared_ptr<ChronikBlock> block;
    };
    struct ChronikRead;
    static std::unique_ptr<ChronikRead> readAllChroniks(const QString &path, std::atomic<qint64> &read);
    void startChroniks();

    Register &m_register;
    int m_count;
    std::function<void()> m_tick;
    std::shared_ptr<TextStore> m_store;
    std::unique_ptr<TextPool> m_text;
    std::vector<std::shared_ptr<clsBrewery>> m_breweries;
    QHash<qint64, clsBrewery *> m_byRowId;
    qint64 m_lastRowId = -1;
    std::atomic<qint64> m_chroniksRead = 0;
    // Last, so that a load that goes early waits for its worker first.
    std::future<std::unique_ptr<ChronikRead>> m_chroniks;
};
