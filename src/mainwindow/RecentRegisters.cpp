#include "RecentRegisters.h"

#include "RegisterLocation.h"
#include "SharedAddress.h"
#include "StoreError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

// A shared register is remembered by its address, never with a password.
QString cleaned(const QString &path)
{
    if (NamesSharedRegister(path)) {
        try {
            return SharedAddress(path).withoutPassword();
        } catch (const StoreError &) {
            return path;
        }
    }
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

RecentRegisters::RecentRegisters(QSettings *settings) : m_settings(settings)
{
    if (!m_settings)
        return;
    // What another version or a hand wrote is taken as it can be.
    for (const QString &path : m_settings->value(RecentRegistersKey).toStringList()) {
        if (!path.isEmpty() && !m_paths.contains(cleaned(path)) && m_paths.size() < Kept)
            m_paths << cleaned(path);
    }
}

void RecentRegisters::opened(const QString &path)
{
    const QString clean = cleaned(path);
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
