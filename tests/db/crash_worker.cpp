// Edits a register through the record store without end, printing a line
// for every change once it is committed, until it is killed. The crash test
// kills it at random moments and checks what the file holds.
#include "RecordSource.h"
#include "Recordset.h"
#include "RegisterFile.h"
#include "RegisterLock.h"
#include "Transaction.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::unique_ptr<Recordset> open(const std::shared_ptr<RegisterFile> &file, const QString &source)
{
    return std::make_unique<Recordset>(file, ParseRecordSource(source));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString run = QString::fromLocal8Bit(argv[2]);
    // Held as a window holds it; the kill must not leave it behind.
    const auto lock = RegisterLock::tryTake(path);
    if (!lock)
        return 3;
    auto file = RegisterFile::open(path);
    std::printf("READY\n");
    std::fflush(stdout);

    std::vector<qint64> added;
    for (int k = 0;; ++k) {
        if (k % 3 == 0) {
            // A brewery and its two entries land together.
            Transaction tx(*file);
            auto brewery = open(file, "select * from Brewery where RowId = 0");
            brewery->AddNew();
            brewery->Fields("CityName").setValue(QStringLiteral("W%1-%2").arg(run).arg(k));
            brewery->Fields("BreweryName").setValue(QStringLiteral("Brauerei"));
            brewery->Update();
            const qint64 id = brewery->Fields("RowId").Value().toLongLong();
            auto entries = open(file, QStringLiteral("select * from BreweryChronik where ParentRowId = %1").arg(id));
            for (int e = 0; e < 2; ++e) {
                entries->AddNew();
                entries->Fields("BreweryNameLong").setValue(QStringLiteral("Eintrag %1").arg(e));
                entries->Fields("ParentRowId").setValue(id);
                entries->Update();
            }
            tx.commit();
            added.push_back(id);
            std::printf("A %lld\n", id);
        } else if (k % 3 == 1) {
            const qint64 id = added.back();
            auto brewery = open(file, QStringLiteral("select * from Brewery where RowId = %1").arg(id));
            brewery->Edit();
            brewery->Fields("BreweryName").setValue(QStringLiteral("E%1").arg(k));
            brewery->Update();
            std::printf("E %lld E%d\n", id, k);
        } else if ((k / 3) % 2 == 0) {
            // Every other brewery goes again, with its entries, as the
            // brewery grid deletes one.
            const qint64 id = added.back();
            Transaction tx(*file);
            auto entries = open(file, QStringLiteral("select * from BreweryChronik where ParentRowId = %1").arg(id));
            while (!entries->Eof()) {
                entries->Delete();
                entries->MoveNext();
            }
            auto brewery = open(file, QStringLiteral("select * from Brewery where RowId = %1").arg(id));
            brewery->Delete();
            tx.commit();
            std::printf("D %lld\n", id);
        }
        std::fflush(stdout);
    }
}
