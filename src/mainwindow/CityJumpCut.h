#pragma once

#include <QStringListModel>

class QLabel;
class Recordset;
class RegisterFile;

// The jump list's entries, the brewery list in its order cut into blocks of
// 40, each naming the city beginnings its block spans ("A-Be"): the model
// of the jump list, a plain list of texts (a million breweries make 25,000
// entries, which a combo box's own item model would build one object at a
// time). The last cut is kept while the list and the register are as they
// were: a Report after a Report need not walk a million breweries to cut
// the same blocks again.
class CityJumpCut : public QStringListModel {
    Q_OBJECT
public:
    explicit CityJumpCut(QObject *parent) : QStringListModel(parent) {}

    // The entries of `breweries` (`count` of them, counted), telling in
    // `message` how far a cut has come. Leaves the record set past its
    // last record, where a walk through it leaves it.
    const QStringList &entries(Recordset &breweries, RegisterFile &file, int count, QLabel *message);

private:
    static QStringList cut(Recordset &breweries, int count, QLabel *message);

    struct State {
        quint64 list = 0;
        qint64 version = -1;
        qint64 changes = -1;
        bool operator==(const State &) const = default;
    };
    State m_cutFrom;
    QStringList m_entries;
};
