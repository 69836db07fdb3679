#include "ChronikRef.h"

void ChronikRef::setText(int which, QStringView val) const
{
    if (ChronikTexts *stored = entry())
        (*stored)[size_t(which)] = m_store->add(val);
}
