#include "VanishedRegister.h"

#include "MessageBoxes.h"
#include "Register.h"
#include "RegisterFile.h"
#include "StoreError.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

VanishedRegister::VanishedRegister(Register &reg, std::shared_ptr<MessageBoxes> boxes, std::function<void()> reopen)
    : m_register(reg), m_boxes(std::move(boxes)), m_reopen(std::move(reopen))
{
}

void VanishedRegister::offer(const StoreError &failure)
{
    if (m_gone || !failure.isFileGone())
        return;
    m_gone = true;
    const QString path = QDir::toNativeSeparators(m_register.path());
    const bool replaced = QFileInfo::exists(m_register.path());
    const MessageBoxes::Answer answer = m_boxes->ask(
        QStringLiteral("The register %1 was %2 by another program. This window still holds it as it was opened, "
                       "with every change stored until then.\n\nYes: save it under its name again%3, and go on "
                       "working in it.\nNo: open %4.\nCancel: leave it; nothing more can be stored in it.")
            .arg(path, replaced ? QStringLiteral("replaced by another file") : QStringLiteral("deleted"),
                 replaced ? QStringLiteral(" (the other file is kept beside it)") : QString(),
                 replaced ? QStringLiteral("the file that now has its name") : QStringLiteral("a new, empty register "
                                                                                              "under its name")),
        MessageBoxes::Answer::Yes);
    if (answer == MessageBoxes::Answer::Cancel)
        return;
    if (answer == MessageBoxes::Answer::Yes) {
        try {
            m_register.file().saveAgainUnderItsName(QDateTime::currentDateTime());
        } catch (const StoreError &e) {
            m_boxes->critical(e.message(), ProgramTitle);
            return;
        }
    }
    if (m_reopen)
        m_reopen();
}
