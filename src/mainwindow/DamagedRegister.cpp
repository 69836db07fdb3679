#include "DamagedRegister.h"

#include "MessageBoxes.h"
#include "RegisterBackup.h"
#include "ReportImport.h"
#include "StoreError.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>

std::optional<QString> DamagedRegister::offerBackup(const QString &registerPath, const QString &damage,
                                                    MessageBoxes &boxes, const std::function<bool()> &letGo)
{
    const std::optional<SoundBackup> backup = NewestSoundBackup(registerPath);
    if (!backup) {
        boxes.critical(damage + QStringLiteral("\n\nNo backup of it in %1 passes its check.")
                                    .arg(QDir::toNativeSeparators(BackupFolder(registerPath))),
                       QStringLiteral("Register"));
        return std::nullopt;
    }
    const QString kept = registerPath + QStringLiteral(".damaged-…");
    const MessageBoxes::Answer answer = boxes.ask(
        damage
            + QStringLiteral("\n\nIts newest sound backup is of %1 and holds %2:\n%3"
                             "\n\nYes: put the backup in the register's place; the damaged register is kept as %4."
                             "\nNo: open the backup only, to look at it.\nCancel: open neither.")
                  .arg(QLocale().toString(backup->made, QLocale::ShortFormat),
                       DescribeAdded({int(backup->breweries), int(backup->chroniks)}),
                       QDir::toNativeSeparators(backup->path), QDir::toNativeSeparators(kept)),
        MessageBoxes::Answer::Cancel);
    if (answer == MessageBoxes::Answer::No)
        return backup->path;
    if (answer != MessageBoxes::Answer::Yes || !letGo())
        return std::nullopt;
    try {
        ReplaceWithBackup(registerPath, backup->path, QDateTime::currentDateTime());
    } catch (const StoreError &e) {
        boxes.critical(e.message(), ProgramTitle);
        return std::nullopt;
    }
    return registerPath;
}
