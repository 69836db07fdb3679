#include "FindingsModel.h"

#include <QFont>

void FindingsModel::setFindings(std::vector<Finding> findings)
{
    beginResetModel();
    m_findings = std::move(findings);
    endResetModel();
}

int FindingsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_findings.size());
}

int FindingsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant FindingsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_findings.size())
        return {};
    const Finding &f = m_findings[size_t(index.row())];
    if (role == Qt::FontRole && index.column() == RuleColumn && f.error) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::ToolTipRole && index.column() == RuleColumn)
        return RuleExplanation(f.rule);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case RuleColumn:
        return RuleName(f.rule);
    case BreweryColumn:
        return f.breweryName;
    case CityColumn:
        return f.city;
    case FieldColumn:
        return f.field;
    case ValueColumn:
        return f.value;
    case FindingColumn:
        return f.text;
    default:
        return {};
    }
}

QVariant FindingsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const captions[Columns] = {"Rule", "Brewery", "City", "Field", "Value", "Finding"};
    return section >= 0 && section < Columns ? QString::fromLatin1(captions[section]) : QVariant();
}
