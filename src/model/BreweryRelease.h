#pragma once

#include "clsBrewery.h"

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <vector>

// Frees the brewery objects of a closed report beside the window, which goes
// on at once; the memory goes back to the system rather than staying with
// the program for the next report. The next reading waits for it, rather
// than competing with it for memory and the cores.
class BreweryRelease {
public:
    void release(std::vector<std::shared_ptr<clsBrewery>> breweries);
    // Whether the last release has ended, waiting at most `wait` for it. Asked
    // by the next reading: from then on the freed memory is kept for it.
    bool done(std::chrono::milliseconds wait);

private:
    std::future<void> m_freeing;
    // Giving the memory back holds the allocator's lock for a tenth of a
    // second at a million breweries, stalling the window's own allocations;
    // pointless when the next reading is about to take the memory again.
    std::shared_ptr<std::atomic<bool>> m_wanted;
};
