#include "StoreError.h"

#include <sqlite3.h>

StoreError StoreError::rowChangedElsewhere(bool shared)
{
    return StoreError(QStringLiteral("This row was changed or deleted by another %1 after it was shown; nothing was "
                                     "written. The lists now show the register as it is stored.")
                          .arg(shared ? QStringLiteral("editor") : QStringLiteral("program")),
                      QStringLiteral("Register"), RowChangedElsewhere);
}

StoreError StoreError::breweryGone(bool shared)
{
    return StoreError(shared ? QStringLiteral("The brewery of this history entry was deleted by another editor "
                                              "meanwhile; the entry was not stored.")
                             : QStringLiteral("The brewery of this history entry was deleted by another program "
                                              "meanwhile; the entry was not stored."),
                      QStringLiteral("Register"), BreweryGone);
}

namespace {

bool isOwnCode(int code)
{
    return code >= StoreError::RowChangedElsewhere;
}

} // namespace

bool StoreError::isConstraint() const
{
    return !isOwnCode(m_code) && primaryCode() == SQLITE_CONSTRAINT;
}

bool StoreError::isForeignKey() const
{
    return !isOwnCode(m_code) && m_code == SQLITE_CONSTRAINT_FOREIGNKEY;
}

bool StoreError::isBusy() const
{
    return !isOwnCode(m_code) && (primaryCode() == SQLITE_BUSY || primaryCode() == SQLITE_LOCKED);
}

bool StoreError::isDiskFull() const
{
    return !isOwnCode(m_code) && primaryCode() == SQLITE_FULL;
}

StoreError StoreError::withValueTyped(const QString &value) const
{
    return StoreError(m_message + QStringLiteral(" The value typed, \"%1\", was not stored.").arg(value), m_component,
                      m_code);
}

StoreError StoreError::withRowTyped(const QStringList &cells) const
{
    if (cells.isEmpty())
        return *this;
    return StoreError(m_message + QStringLiteral(" What was typed: %1.").arg(cells.join(QStringLiteral(", "))),
                      m_component, m_code);
}

bool StoreError::isDamaged() const
{
    return !isOwnCode(m_code) && primaryCode() == SQLITE_CORRUPT;
}
