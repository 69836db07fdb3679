#pragma once

#include "clsBrewery.h"

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <utility>
#include <vector>

// The brewery objects the last loading read, until a report takes them;
// and those of a closed report, freed beside the window, which goes on at
// once: the memory goes back to the system rather than staying with the
// program for the next report. The next reading waits for it, rather than
// competing with it for memory and the cores.
class LoadedBreweries {
public:
    using List = std::vector<std::shared_ptr<clsBrewery>>;

    const List &list() const { return m_list; }
    // Hands the breweries over, keeping none.
    List take() { return std::exchange(m_list, {}); }
    void keep(List loaded) { m_list = std::move(loaded); }

    void release(List breweries);
    // Whether the last release has ended, waiting at most `wait` for it. Asked
    // by the next reading: from then on the freed memory is kept for it.
    bool done(std::chrono::milliseconds wait);

private:
    List m_list;
    std::future<void> m_freeing;
    // Giving the memory back holds the allocator's lock for a tenth of a
    // second at a million breweries, stalling the window's own allocations;
    // pointless when the next reading is about to take the memory again.
    std::shared_ptr<std::atomic<bool>> m_wanted;
};
