#pragma once

#include <QtGlobal>
#include <cerrno>
#include <csignal>

// Whether the process that named a file after itself no longer runs, so
// that what it left may go. A process of another user, or one that cannot
// be asked, counts as running: its file stays.
inline bool ProcessGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}
