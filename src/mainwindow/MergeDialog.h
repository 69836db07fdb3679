#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

class BreweryMerge;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

// Edit > Merge Breweries…: the two breweries side by side, field by field.
// The user picks the one that stays and, for each field, whose value it
// keeps; what becomes of the history entries is said before Merge.
class MergeDialog : public QDialog {
    Q_OBJECT
public:
    // `captions`: each brewery field's caption in the grid, by field name;
    // fields without one are not offered.
    MergeDialog(BreweryMerge &merge, const QHash<QString, QString> &captions, QWidget *parent = nullptr);

    // The choice of the value of the field with this caption: the first
    // brewery's, or the second's.
    QRadioButton *valueOf(const QString &caption, bool first) const;

    QRadioButton *radFirstStays;
    QRadioButton *radSecondStays;
    QCheckBox *chkKeepAsEntry;
    QLabel *lblEntries;
    QPushButton *cmdMerge;

private:
    struct Choice {
        QString caption;
        int field;
        QRadioButton *first;
        QRadioButton *second;
    };
    // The merge follows the choices, and the entries' line says what it does.
    void chosen();

    BreweryMerge &m_merge;
    std::vector<Choice> m_choices;
};
