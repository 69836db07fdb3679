#pragma once

#include <QString>
#include <memory>
#include <vector>

// One window per register. A window, or the importer while it writes,
// holds this lock on its register for as long as it runs; a second window
// then opens the register read-only and the importer refuses. The lock is
// the kernel's (flock), so it goes with the process that held it, however
// that process ends.
//
// The lock belongs to the file, not to the name it was opened by: it is
// taken on "<register>.lock" beside the register's real path (symlinks and
// relative paths resolved) and on a lock named by the file's device and
// inode in the user's runtime folder (hard links).
class RegisterLock {
public:
    enum class State { Taken, HeldElsewhere, Unavailable };

    // Tries once, without waiting. When the lock is not taken, `why` says
    // why in words: open in another window, or no lock file could be made
    // or locked (then nothing tells whether another window writes).
    static std::unique_ptr<RegisterLock> tryTake(const QString &registerPath, State *state = nullptr,
                                                 QString *why = nullptr);
    ~RegisterLock();
    RegisterLock(const RegisterLock &) = delete;
    RegisterLock &operator=(const RegisterLock &) = delete;

    // Removes the lock files this lock made, for a file that turned out to
    // be no register: nothing is left behind beside it.
    void discard();

private:
    struct Held {
        int fd;
        QString path;
        bool made; // the file did not exist before
    };
    RegisterLock() = default;

    std::vector<Held> m_held;
};
