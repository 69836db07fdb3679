#pragma once

#include "RowChange.h"
#include "TextReplace.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// Edit > Replace…: which field, what to find and what to put in its place.
// Preview lists every cell the replace changes, before and after; Replace
// writes exactly what the preview shows, and only once it is shown for
// what the fields say now.
class ReplaceDialog : public QDialog {
    Q_OBJECT
public:
    struct Field {
        QString caption;
        QString name;
    };
    // The changes `rule` makes to `field`'s values; throws StoreError.
    using Planning = std::function<RowChanges(const QString &field, const TextReplace &rule)>;

    ReplaceDialog(const QList<Field> &fields, int current, Planning planning, QWidget *parent = nullptr);
    ~ReplaceDialog() override;

    // What Replace writes: the changes the preview shows.
    const RowChanges &plan() const { return m_plan; }
    // The undo history's name for it.
    QString stepName() const;
    QString fieldCaption() const;

    QComboBox *cboField;
    QLineEdit *txtFind;
    QLineEdit *txtReplacement;
    QCheckBox *chkExact;
    QCheckBox *chkWholeValue;
    QPushButton *cmdPreview;
    QLabel *lblCount;
    QTableView *tblCells;
    QPushButton *cmdReplace;

private:
    class Cells;
    TextReplace rule() const;
    void preview();
    // What the fields say changed: the preview no longer shows it.
    void outdated();

    QList<Field> m_fields;
    Planning m_planning;
    RowChanges m_plan;
    Cells *m_cells;
    QString m_previewedField;
    TextReplace m_previewed;
};
