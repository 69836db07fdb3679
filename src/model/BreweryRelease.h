#pragma once

#include "clsBrewery.h"

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
    // Whether the last release has ended, waiting at most `wait` for it.
    bool done(std::chrono::milliseconds wait) const;

private:
    std::future<void> m_freeing;
};
