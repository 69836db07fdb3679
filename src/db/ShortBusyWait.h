#pragma once

#include "RegisterFile.h"

// Within its scope, a step on `file` waits only `ms` for another program
// that holds the register, where a write waits seconds: a read for the
// window, or a try repeated every second, must not freeze it.
class ShortBusyWait {
public:
    ShortBusyWait(RegisterFile &file, int ms) : m_file(file) { m_file.setBusyTimeout(ms); }
    ~ShortBusyWait() { m_file.setBusyTimeout(RegisterFile::WriteWaitMs); }
    ShortBusyWait(const ShortBusyWait &) = delete;
    ShortBusyWait &operator=(const ShortBusyWait &) = delete;

private:
    RegisterFile &m_file;
};
