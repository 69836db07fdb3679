#pragma once

#include "TablePages.h"

#include <memory>

class DataGrid;
class DataSource;

// The brewery list as it stands, as printed pages: the rows in the list's
// order (the find's narrowing kept), the grid's visible columns under
// their captions, as wide as the grid shows them against each other, and
// the count at the end. The list is taken as it is now: rows the window
// reads anew meanwhile do not move the pages.
std::unique_ptr<TablePages> ListPages(DataGrid &grid, DataSource &source, const PageFrame::Heading &heading,
                                      const QString &closing, const QString &family);
