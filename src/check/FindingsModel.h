#pragma once

#include "RegisterCheck.h"

#include <QAbstractTableModel>
#include <vector>

// The findings of a check as a table: rule, brewery, city, field, value and
// what was found, an error's rule in bold.
class FindingsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { RuleColumn, BreweryColumn, CityColumn, FieldColumn, ValueColumn, FindingColumn, Columns };

    using QAbstractTableModel::QAbstractTableModel;
    void setFindings(std::vector<Finding> findings);
    const Finding &finding(int row) const { return m_findings.at(size_t(row)); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<Finding> m_findings;
};
