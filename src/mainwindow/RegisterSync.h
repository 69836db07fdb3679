#pragma once

#include <QtGlobal>
#include <QSet>
#include <functional>

class DataGrid;
class QLabel;
class ReactionScheduler;
class Register;

// Keeping up with the register when another window or program writes to
// it: the lists are read anew when the window becomes active again (once
// the input that came with the activation has been handled), before a
// report, after an import and after a write found its row changed
// elsewhere. The current brewery stays current where it still exists.
class RegisterSync {
public:
    // `reread` is what the window does with the list read anew: count it
    // and show the current brewery's history. `progress` shows how far a
    // long re-read has come.
    RegisterSync(Register &reg, DataGrid &breweries, DataGrid &chroniks, ReactionScheduler &work, QLabel *progress,
                 std::function<void()> reread);

    // Reads the register anew when it changed since the lists were read, or
    // places the breweries other editors changed; left for later while a
    // row or cell is being typed, which re-reading would store half-typed
    // or drop. False when it was left for later.
    bool syncWithRegister();
    // Reads the register anew, changed or not.
    void reread();
    // After this window changed the breweries with `keys`: they alone move
    // in the list (Register::placeBreweries).
    void placeBreweries(const QList<qint64> &keys);
    // The same for breweries another editor changed (and, with them or
    // alone, history entries), once nothing is being typed.
    void placeChangedElsewhere(const QList<qint64> &keys);
    // The window became active again, after another window or program may
    // have changed the register.
    void windowActivated();

private:
    Register &m_register;
    DataGrid &m_breweries;
    DataGrid &m_chroniks;
    ReactionScheduler &m_work;
    QLabel *m_progress;
    std::function<void()> m_reread;
    // What other editors changed, placed at the next sync.
    QSet<qint64> m_placeLater;
    bool m_othersChanged = false;
};
