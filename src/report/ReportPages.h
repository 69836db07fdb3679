#pragma once

#include "TablePages.h"

#include <QStringList>
#include <memory>

class ReportModel;

// The report as printed pages: its lines under the grids' captions, each
// brewery's history entries indented under it, a brewery never parted
// from its first entry at a page's end. `captions`: the brewery columns'
// eight and the history's complete name, in the report's column order.
std::unique_ptr<TablePages> ReportPages(const ReportModel &model, const QStringList &captions,
                                        const PageFrame::Heading &heading, const QString &family);
