#pragma once

#include <QString>
#include <functional>
#include <memory>

class MessageBoxes;
class QLabel;
class Register;
class RegisterSync;

// Import Report… from the menu: a saved report added to the open register
// by the importer's own code, on this window's connection (whose lock the
// window holds), with its progress in the bottom line.
class MenuImport {
public:
    MenuImport(Register &reg, RegisterSync &sync, std::shared_ptr<MessageBoxes> boxes, QLabel *message,
               std::function<void()> storePendingEdits);

    // Adds the breweries of the saved report at `reportPath`, asking first
    // when the register holds breweries already. Refusals and failures are
    // shown; returns whether the report was added.
    bool importReport(const QString &reportPath);

private:
    Register &m_register;
    RegisterSync &m_sync;
    std::shared_ptr<MessageBoxes> m_boxes;
    QLabel *m_message;
    std::function<void()> m_storePendingEdits;
};
