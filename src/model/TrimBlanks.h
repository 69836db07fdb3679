#pragma once

#include <QString>

// Removes leading and trailing blanks (the space character only); tabs,
// carriage returns and other white space stay where they are.
QString TrimBlanks(const QString &text);
