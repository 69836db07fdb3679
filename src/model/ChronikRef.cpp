#include "ChronikRef.h"

#include <numeric>

void ChronikBlock::spellOut()
{
    if (listed.empty()) {
        listed.resize(entries.size());
        std::iota(listed.begin(), listed.end(), quint32(0));
    }
}

void ChronikRef::setText(int which, QStringView val) const
{
    if (ChronikTexts *stored = entry())
        (*stored)[size_t(which)] = m_store->add(val);
}
