#include "ImportTarget.h"

#include "RegisterAppender.h"
#include "RegisterFile.h"
#include "RegisterLock.h"
#include "StoreError.h"

ImportTarget OpenImportTarget(const QString &registerPath, const ImportOptions &options, const QString &what)
{
    RegisterLock::State lockState;
    QString lockProblem;
    ImportTarget target;
    target.lock = RegisterLock::tryTake(registerPath, &lockState, &lockProblem);
    if (lockState == RegisterLock::State::HeldElsewhere)
        throw ImportRefused(QStringLiteral("The register %1 is open in a Sudregister window; close the window and "
                                           "import again.")
                                .arg(registerPath));
    if (!target.lock)
        throw ImportRefused(
            QStringLiteral("The register %1 cannot be locked for the import: %2; nothing was added.").arg(registerPath, lockProblem));
    try {
        target.file = RegisterFile::open(registerPath);
    } catch (const StoreError &) {
        target.lock->discard();
        throw;
    }
    if (!options.append) {
        const qint64 held = RegisterAppender::breweryCount(*target.file);
        if (held > 0)
            throw ImportRefused(QStringLiteral("The register %1 already holds %2; nothing was added. Give --append "
                                               "to add %3 to them.")
                                    .arg(registerPath, CountedBreweries(held), what));
    }
    return target;
}
