#pragma once

#include <QStringList>

class QSettings;

// The registers opened last, newest first, at most Kept, each once by its
// absolute, clean path; remembered in `settings` when there are any.
class RecentRegisters {
public:
    static constexpr int Kept = 5;

    explicit RecentRegisters(QSettings *settings);

    const QStringList &paths() const { return m_paths; }
    // `path` was opened: it moves to the front.
    void opened(const QString &path);
    // `path` is gone and leaves the list.
    void forget(const QString &path);

private:
    void store();

    QSettings *m_settings;
    QStringList m_paths;
};
