#pragma once

#include <QString>
#include <stdexcept>

// The one failure type of the record store. It carries the store's own
// message and the name of the component that raised it, so that whoever
// catches it can show both to the user.
class StoreError : public std::runtime_error {
public:
    StoreError(const QString &message, const QString &component = QStringLiteral("Register"))
        : std::runtime_error(message.toStdString()), m_message(message), m_component(component)
    {
    }

    const QString &message() const { return m_message; }
    const QString &component() const { return m_component; }

private:
    QString m_message;
    QString m_component;
};
