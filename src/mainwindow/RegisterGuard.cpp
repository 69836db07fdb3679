#include "RegisterGuard.h"

#include "DataSource.h"
#include "MessageBoxes.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "RegisterFile.h"
#include "RegisterPlace.h"
#include "StartupBackup.h"
#include "StoreError.h"
#include "VanishedRegister.h"

#include <QLabel>

namespace {

// How often the window looks whether the check of the register's pages
// has ended.
constexpr int PageCheckPollMs = 100;

} // namespace

RegisterGuard::RegisterGuard(Register &reg, ReactionScheduler &work, QLabel *bottomLine, QObject *parent)
    : QObject(parent), m_register(reg), m_work(work), m_bottomLine(bottomLine),
      m_backup(new StartupBackup(reg.place().localName(), this)),
      m_vanished(std::make_unique<VanishedRegister>(reg, work.boxes(), [this] { emit reopenRequested(); }))
{
    connect(m_backup, &StartupBackup::failed, this, [this] {
        // Said at once where the bottom line names the register; otherwise
        // the next time it does.
        if (m_bottomLine->text().startsWith(QStringLiteral("Register: ")))
            showRegisterMessage();
    });
}

RegisterGuard::~RegisterGuard() = default;

void RegisterGuard::backUp()
{
    // A shared register was copied as it was read; a file is copied here,
    // unless another window holds it.
    if (m_register.isShared())
        m_backup->keepOpeningCopy(m_register);
    else if (m_register.holdsLock())
        m_backup->make();
}

void RegisterGuard::checkPages()
{
    m_register.startPageCheck();
    watchPageCheck();
}

void RegisterGuard::watchPageCheck()
{
    if (m_register.checkingPages()) {
        m_work.later([this] { watchPageCheck(); }, PageCheckPollMs);
        return;
    }
    if (const std::optional<StoreError> damage = m_register.pageDamage())
        emit registerDamaged(damage->message());
}

void RegisterGuard::showRegisterMessage()
{
    QString text = QStringLiteral("Register: %1").arg(m_register.place().shownName());
    if (const std::optional<QString> why = m_register.readOnlyBecause())
        text += QStringLiteral(" (read-only: %1)").arg(*why);
    else if (m_register.breweries()->hasRecordset() && m_register.file().isReadOnly())
        text += QStringLiteral(" (read-only)");
    if (m_register.followsWhole())
        text += QStringLiteral(" - its server does not record its changes, so every change is copied as the whole "
                               "register; its administrator runs scripts/setup-shared-register again");
    if (!m_register.mirrorNote().isEmpty())
        text += QStringLiteral(" - the copy kept from the last session was made anew: %1").arg(m_register.mirrorNote());
    if (!m_backup->failure().isEmpty())
        text += QStringLiteral(" - ") + m_backup->failure();
    m_bottomLine->setText(text);
}

void RegisterGuard::readFailed(const StoreError &failure)
{
    if (failure.isBusy()) {
        m_bottomLine->setText(QStringLiteral("The register is in use by another program; the lists are shown again "
                                             "as soon as it is free."));
        return;
    }
    m_work.boxes()->critical(failure.message(), ProgramTitle);
}

void RegisterGuard::offer(const StoreError &failure)
{
    m_vanished->offer(failure);
}

bool RegisterGuard::fileGone() const
{
    return m_vanished->hasGone();
}
