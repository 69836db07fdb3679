#pragma once

#include "TablePages.h"

#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

// One brewery on paper: each of its fields under the brewery list's
// caption, then its whole history in the order of its periods, the
// earliest first.
struct BreweryOnPaper {
    // The brewery's name, over its fields.
    QString name;
    // Caption and value of each field.
    std::vector<std::pair<QString, QString>> fields;
    // The history grid's captions, and each entry's values under them.
    QStringList chronikCaptions;
    std::vector<QStringList> chroniks;
    // Where the complete name, the start and the stop year stand among an
    // entry's values.
    int longNameColumn = -1;
    int startColumn = -1;
    int stopColumn = -1;
};

std::unique_ptr<TablePages> BrewerySheet(BreweryOnPaper brewery, const PageFrame::Heading &heading,
                                         const QString &family);
