#pragma once

#include "LogTableModel.h"

#include <QDate>
#include <QObject>
#include <functional>
#include <optional>

class DataGrid;
class HistoryWindow;
class QAction;
class QLabel;
class ReactionScheduler;
class Register;
class RegisterSync;

// Who changed what: View > History of Brewery (Ctrl+Shift+H, also on the
// brewery grid's right click), View > Register History…, File > Compact
// History…, and on a shared register View > Who Is Working Now and the
// bottom line naming who made a change heard from the server.
class MenuHistory : public QObject {
    Q_OBJECT
public:
    struct Window {
        Register &reg;
        RegisterSync &sync;
        ReactionScheduler &work;
        DataGrid &breweries;
        QLabel *message;
        std::function<void()> storePendingEdits;
        // The grids' caption of a field.
        LogTableModel::Caption caption;
    };
    explicit MenuHistory(Window window);

    QAction *breweryAction() const { return m_brewery; }
    QAction *registerAction() const { return m_register; }
    QAction *compactAction() const { return m_compact; }
    QAction *editorsAction() const { return m_editors; }

    // Opens the history of the current brewery, or of the register; the
    // window, or none when there is no current brewery.
    HistoryWindow *showBreweryHistory();
    HistoryWindow *showRegisterHistory();
    // Drops the history older than a date the user chooses, after a backup.
    void compact();
    // How much history the register holds, for Help > About.
    QString sizeText();

    // Asks before which day the history goes; none cancels.
    std::function<std::optional<QDate>()> askCompactBefore;

private:
    HistoryWindow *open(std::optional<qint64> brewery, const QString &title);
    void restore(HistoryWindow &window, const LogEntry &entry, const QString &field);
    // Names in the bottom line who made the change just heard.
    void tellHeard(const QList<qint64> &breweries);

    Window m_window;
    QAction *m_brewery;
    QAction *m_register;
    QAction *m_compact;
    QAction *m_editors;
};
