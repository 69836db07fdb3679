#pragma once

#include <QString>
#include <memory>

// One window per register. A window, or the importer while it writes,
// holds this lock on its register for as long as it runs; a second window
// then opens the register read-only and the importer refuses. The lock is
// the kernel's (flock on "<register>.lock" beside the register), so it goes
// with the process that held it, however that process ends.
class RegisterLock {
public:
    enum class State { Taken, HeldElsewhere };

    // Tries once, without waiting. A folder where no lock file can be made
    // (read-only) counts as taken: no other program can write there either.
    static std::unique_ptr<RegisterLock> tryTake(const QString &registerPath, State *state = nullptr);
    ~RegisterLock();
    RegisterLock(const RegisterLock &) = delete;
    RegisterLock &operator=(const RegisterLock &) = delete;

private:
    explicit RegisterLock(int fd) : m_fd(fd) {}
    int m_fd;
};
