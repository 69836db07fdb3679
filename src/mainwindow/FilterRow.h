#pragma once

#include "FieldFilter.h"

#include <QObject>
#include <QString>

class DataGrid;
class FilterHeader;
class FindField;
class QAction;
class QSettings;

// The filter row under the brewery grid's captions: one field per column
// (FieldFilter says what each reads). View > Filter Row shows it, and the
// window remembers whether it was shown; hiding it or View > Clear Filters
// empties it.
// What is typed narrows the list together with the find, after the same
// typing delay, and a filtered column's caption is marked.
class FilterRow : public QObject {
    Q_OBJECT
public:
    FilterRow(FilterHeader &header, DataGrid &grid, FindField &find, QSettings *settings, QObject *parent);

    QAction *showAction() const { return m_show; }
    QAction *clearAction() const { return m_clear; }
    // The filters set, each after its column's caption, as a heading says
    // them ("BL =BY, *Jahr <1800"); empty when none is set.
    QString description() const;

private:
    // What the field under column `column` reads.
    FieldFilter filterOf(int column) const;
    void changed();

    FilterHeader &m_header;
    FindField &m_find;
    QSettings *m_settings;
    QAction *m_show;
    QAction *m_clear;
};
