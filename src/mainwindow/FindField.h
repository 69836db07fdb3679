#pragma once

#include "FindIndex.h"

#include <QObject>
#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QTimer;
class QWidget;
class ReactionScheduler;
class Register;

// The find field: as the user types, the brewery list narrows to the
// breweries that hold every typed word in one of their fields or history
// entries. Sorting, the jump list, the count and the report then work on
// the breweries found. The filter row narrows it further, through the
// same index. Enter goes on to the first brewery found, Escape
// shows the whole list again, Ctrl+F comes back to the field.
class FindField : public QObject {
    Q_OBJECT
public:
    // What the window does once the list shows what the find asks for:
    // `whole` when it shows every brewery again.
    using Narrowed = std::function<void(bool whole)>;

    // The caption and the field are made in `box`, where the window places
    // them; Enter hands the focus to `list`.
    FindField(Register &reg, ReactionScheduler &work, QLabel *message, QWidget *box, QWidget *list, Narrowed narrowed);

    QLabel *caption() const { return m_caption; }
    QLineEdit *field() const { return m_field; }
    QAction *action() const { return m_action; }

    // Reads the register for the find beside the window, on the second core.
    void prepare();
    // Narrows the list to the breweries holding every word of the field
    // and passing every filter of the filter row; the whole list when
    // neither asks for anything. The current brewery stays current where it
    // is listed.
    void apply();
    // The same once the typing delay has passed without another change.
    void applySoon();
    // The filter row's filters, those set only; the list follows them at
    // the next apply().
    void setColumnFilters(std::vector<ColumnFilter> filters) { m_filters = std::move(filters); }

private:
    void waitForIndex();

    Register &m_register;
    ReactionScheduler &m_work;
    QLabel *m_message;
    QWidget *m_list;
    Narrowed m_narrowed;
    QLabel *m_caption;
    QLineEdit *m_field;
    QAction *m_action;
    QTimer *m_delay;
    FindIndex m_index;
    std::vector<ColumnFilter> m_filters;
};
