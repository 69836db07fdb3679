#pragma once

#include <QObject>
#include <functional>

class DataGrid;
class QAction;
class QLabel;
class ReactionScheduler;
class Register;
class RegisterSync;

// Edit > Replace… (Ctrl+H): one field's values over the breweries the list
// shows (a find's narrowing kept), replaced once the user has seen every
// cell that changes, as one step the undo takes back whole.
class MenuReplace : public QObject {
    Q_OBJECT
public:
    MenuReplace(Register &reg, RegisterSync &sync, ReactionScheduler &work, DataGrid &breweries, QLabel *message,
                std::function<void()> storePendingEdits);

    QAction *action() const { return m_action; }

private:
    void replace();

    Register &m_register;
    RegisterSync &m_sync;
    ReactionScheduler &m_work;
    DataGrid &m_breweries;
    QLabel *m_message;
    std::function<void()> m_storePendingEdits;
    QAction *m_action;
};
