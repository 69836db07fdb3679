#pragma once

#include <QObject>
#include <functional>

class BreweryMerge;
class DataGrid;
class QAction;
class QLabel;
class ReactionScheduler;
class Register;
class RegisterSync;

// Edit > Merge Breweries…: two breweries made one, the two whose rows are
// selected in the brewery grid, or the two of a duplicate the check found.
// The user sees both side by side and chooses; the merge is one step the
// undo takes back whole.
class MenuMerge : public QObject {
    Q_OBJECT
public:
    // `storePendingEdits` stores what is being typed; `showHistory` shows
    // the current brewery's history entries.
    MenuMerge(Register &reg, RegisterSync &sync, ReactionScheduler &work, DataGrid &breweries, QLabel *message,
              std::function<void()> storePendingEdits, std::function<void()> showHistory);

    QAction *action() const { return m_action; }
    // Offers the merge of `first` and `second`; returns whether they were
    // merged.
    bool merge(qint64 first, qint64 second);

signals:
    // Brewery `gone` was merged into `stays` and is no more.
    void merged(qint64 stays, qint64 gone);

private:
    // Why nothing was merged when the register refused the merge: what
    // changed in either brewery since the dialog read them.
    QString whatChanged(const BreweryMerge &merge) const;
    // The grid's caption of a brewery field.
    QString captionOf(const QString &field) const;

    Register &m_register;
    RegisterSync &m_sync;
    ReactionScheduler &m_work;
    DataGrid &m_breweries;
    QLabel *m_message;
    std::function<void()> m_storePendingEdits;
    std::function<void()> m_showHistory;
    QAction *m_action;
};
