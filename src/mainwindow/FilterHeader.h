#pragma once

#include <QHeaderView>
#include <vector>

class QLineEdit;

// A grid's captions with a row of fields under them, one per column, each
// as wide as its column and following it when it is resized or the grid
// scrolls sideways. A caption whose field holds a filter is marked by a
// bar under its text. Escape in a field empties it.
class FilterHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit FilterHeader(QWidget *parent = nullptr);

    void setFieldsShown(bool shown);
    // The field under column `column`; null while the grid has no such
    // column.
    QLineEdit *field(int column) const;
    QString text(int column) const;
    // Whether column `column`'s caption is marked as filtered.
    bool isMarked(int column) const;
    void setMarked(const std::vector<bool> &marked);
    void clear();

    // Places the fields under their columns again: after the grid scrolled
    // sideways, which moves the captions without telling.
    void placeFields();

    QSize sizeHint() const override;

signals:
    // Any field's text changed, by typing or by clear().
    void textsChanged();

protected:
    void updateGeometries() override;
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    void makeFields(int count);
    int fieldHeight() const;

    std::vector<QLineEdit *> m_fields;
    std::vector<bool> m_marked;
    bool m_shown = false;
};
