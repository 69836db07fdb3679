#pragma once

#include "RegisterFile.h"

// Within its scope, every read on a reader's connection comes from one
// state of the register: a write another connection makes meanwhile is
// seen whole or not at all, never half. Such a write waits for the scope
// to end, so it is kept for reads that take seconds at most.
class ReadSnapshot {
public:
    explicit ReadSnapshot(RegisterFile &reader) : m_reader(reader) { m_reader.exec("BEGIN"); }
    ~ReadSnapshot()
    {
        try {
            m_reader.exec("COMMIT");
        } catch (...) {
            // Nothing was written: ending the read cannot lose anything.
        }
    }
    ReadSnapshot(const ReadSnapshot &) = delete;
    ReadSnapshot &operator=(const ReadSnapshot &) = delete;

private:
    RegisterFile &m_reader;
};
