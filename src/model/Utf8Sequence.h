#pragma once

// Length of the UTF-8 sequence that starts with the byte `lead`.
inline int Utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}
