#include "RecentRegisters.h"

#include "RegisterLocation.h"
#include "RegisterPlace.h"

#include <QSettings>

namespace {

// A shared register is remembered by its address, never with a password;
// an address that cannot be read, not at all.
QString cleaned(const QString &path)
{
    return RegisterPlace(path).remembered();
}

} // namespace

RecentRegisters::RecentRegisters(QSettings *settings) : m_settings(settings)
{
    if (!m_settings)
        return;
    // What another version or a hand wrote is taken as it can be.
    for (const QString &path : m_settings->value(RecentRegistersKey).toStringList()) {
        const QString clean = cleaned(path);
        if (!clean.isEmpty() && !m_paths.contains(clean) && m_paths.size() < Kept)
            m_paths << clean;
    }
}

void RecentRegisters::opened(const QString &path)
{
    const QString clean = cleaned(path);
    if (clean.isEmpty())
        return;
    m_paths.removeAll(clean);
    m_paths.prepend(clean);
    while (m_paths.size() > Kept)
        m_paths.removeLast();
    store();
}

void RecentRegisters::forget(const QString &path)
{
    m_paths.removeAll(cleaned(path));
    store();
}

void RecentRegisters::store()
{
    if (!m_settings)
        return;
    m_settings->setValue(RecentRegistersKey, m_paths);
    m_settings->sync();
}
