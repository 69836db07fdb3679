#include "RegisterLock.h"

#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::unique_ptr<RegisterLock> RegisterLock::tryTake(const QString &registerPath, State *state)
{
    // Close-on-exec: a program this one starts must not keep the lock.
    const int fd = ::open(QFile::encodeName(registerPath + QStringLiteral(".lock")).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    const bool taken = fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (state)
        *state = taken ? State::Taken : State::HeldElsewhere;
    if (!taken) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<RegisterLock>(new RegisterLock(fd));
}

RegisterLock::~RegisterLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
