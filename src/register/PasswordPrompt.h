#pragma once

#include <QString>
#include <functional>
#include <optional>

// Asked for a shared register's password when the server wants one that
// libpq's own means (~/.pgpass, a service file, PGPASSWORD) did not give;
// none cancels.
using PasswordPrompt = std::function<std::optional<QString>(const QString &addressShown, const QString &user)>;
