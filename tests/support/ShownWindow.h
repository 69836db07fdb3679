#pragma once

#include "DatabasePath.h"
#include "GridDriver.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "Sudregister.h"

#include <QTest>
#include <memory>

// The main window on the register of `dir`, shown and active, asking and
// telling through scripted message boxes; remembering in `settings` when
// given.
struct ShownWindow {
    std::shared_ptr<ScriptedMessageBoxes> boxes = std::make_shared<ScriptedMessageBoxes>();
    std::unique_ptr<Sudregister> w;

    explicit ShownWindow(const QString &dir, QSettings *settings = nullptr) : ShownWindow(At{DatabasePath(dir)}, settings)
    {
    }
    // The same on a scratch register, of either kind.
    explicit ShownWindow(const ScratchRegister &reg, QSettings *settings = nullptr)
        : ShownWindow(At{reg.address()}, settings)
    {
    }
    // The same on the register at `path`: a file, or a shared register's
    // address.
    struct At {
        QString path;
    };
    explicit ShownWindow(At where, QSettings *settings = nullptr)
    {
        w = std::make_unique<Sudregister>(where.path, boxes, nullptr, settings);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCoreApplication::processEvents();
    }
    Sudregister *operator->() const { return w.get(); }

    // The BreweryNameLong column of the history grid, as shown.
    QStringList chronikNames() const
    {
        return GridDriver::columnTexts(*w->grdChronik, 0, w->dsBreweryChronik->Recordset().RecordCount());
    }
};
