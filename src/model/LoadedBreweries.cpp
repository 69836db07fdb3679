#include "LoadedBreweries.h"

#include <malloc.h>

void LoadedBreweries::release(List breweries)
{
    m_wanted = std::make_shared<std::atomic<bool>>(false);
    m_freeing = std::async(std::launch::async,
                           [breweries = std::move(breweries), wanted = m_wanted]() mutable {
                               breweries.clear();
                               if (!wanted->load())
                                   malloc_trim(0);
                           });
}

bool LoadedBreweries::done(std::chrono::milliseconds wait)
{
    if (!m_freeing.valid())
        return true;
    m_wanted->store(true);
    return m_freeing.wait_for(wait) == std::future_status::ready;
}
