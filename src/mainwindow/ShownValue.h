#pragma once

#include <QString>
#include <QVariant>

// A value as a preview of changes shows it: a Null and an empty text
// named, blanks at its ends (which a change may be about) visible as ␣.
QString ShownValue(const QVariant &value);
