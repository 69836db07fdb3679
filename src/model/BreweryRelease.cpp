#include "BreweryRelease.h"

#include <malloc.h>

void BreweryRelease::release(std::vector<std::shared_ptr<clsBrewery>> breweries)
{
    m_freeing = std::async(std::launch::async, [breweries = std::move(breweries)]() mutable {
        breweries.clear();
        malloc_trim(0);
    });
}

bool BreweryRelease::done(std::chrono::milliseconds wait) const
{
    return !m_freeing.valid() || m_freeing.wait_for(wait) == std::future_status::ready;
}
