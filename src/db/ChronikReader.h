#pragma once

#include <QString>
#include <functional>

class RegisterFile;

// Reads every history entry of the register in one pass over the table.
// Each brewery's entries arrive in the order in which the store returns
// them to that brewery's query without an ordering clause. The five texts
// come in the order BreweryNameLong, IdCode, BreweryName, StartYear,
// StopYear; a Null value is a null QString.
void ReadAllChroniks(RegisterFile &file, const std::function<void(qint64 parentRowId, const QString *texts)> &entry);
