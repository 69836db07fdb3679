#include "BreweryRelease.h"

#include <malloc.h>

void BreweryRelease::release(std::vector<std::shared_ptr<clsBrewery>> breweries)
{
    m_wanted = std::make_shared<std::atomic<bool>>(false);
    m_freeing = std::async(std::launch::async,
                           [breweries = std::move(breweries), wanted = m_wanted]() mutable {
                               breweries.clear();
                               if (!wanted->load())
                                   malloc_trim(0);
                           });
}

bool BreweryRelease::done(std::chrono::milliseconds wait)
{
    if (!m_freeing.valid())
        return true;
    m_wanted->store(true);
    return m_freeing.wait_for(wait) == std::future_status::ready;
}
