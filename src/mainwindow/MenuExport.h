#pragma once

#include "ExportOptions.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class DataSource;
class MessageBoxes;
class QAction;
class QLabel;
class QWidget;

// File > Export…: the brewery list as it stands (the find's and the
// filter row's narrowing kept, in its order) written as a workbook or as CSV, with its progress in
// the bottom line and a Cancel, and a word on what was written.
class MenuExport {
public:
    // `registerIdentity` tells which register the export comes from,
    // `filters` the filter row's filters (FilterRow::description).
    MenuExport(QWidget &window, DataSource &breweries, std::shared_ptr<MessageBoxes> boxes, QLabel *bottomLine,
               QString folder, std::function<QString()> registerIdentity, std::function<QString()> filters);

    // Asks how and where, then exports; returns the files written.
    QStringList exportList();
    QAction *action() const { return m_action; }

    // How to export and where, unless a test answers; nothing is a cancel.
    std::function<std::optional<ExportOptions>(const QString &which, const ExportOptions &last)> askOptions;
    std::function<QString(const QString &proposed, const QString &filter)> askPath;

private:
    QWidget &m_window;
    DataSource &m_breweries;
    std::shared_ptr<MessageBoxes> m_boxes;
    QLabel *m_bottomLine;
    QString m_folder;
    std::function<QString()> m_registerIdentity;
    std::function<QString()> m_filters;
    ExportOptions m_last;
    QAction *m_action;
};
