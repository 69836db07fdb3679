#pragma once

#include <QString>
#include <functional>
#include <memory>

class MessageBoxes;
class Register;
class StoreError;

// What the window offers once another program has deleted or replaced the
// register's file while the window had it open: every write then fails,
// while the window still reads the file it opened. The user may save that
// register under its name again (a file that took the name is kept beside
// it) or open what now has the name; either way the window opens the
// register anew. Asked once.
class VanishedRegister {
public:
    VanishedRegister(Register &reg, std::shared_ptr<MessageBoxes> boxes, std::function<void()> reopen);

    // Called with the failure of a write; asks, unless it asked already.
    void offer(const StoreError &failure);
    // True once the file has gone: what was typed can no longer be stored.
    bool hasGone() const { return m_gone; }

private:
    Register &m_register;
    std::shared_ptr<MessageBoxes> m_boxes;
    std::function<void()> m_reopen;
    bool m_gone = false;
};
