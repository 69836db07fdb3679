#pragma once

#include <QString>

// Why a file at `path` could not be written, as the user can act on it:
// a disk that is full is named as such (the system's word for it is often
// "Unknown error" or a zip library's code), and a reason the system did
// not give is said to be missing rather than shown as "Unknown error".
QString WhyNotWritten(const QString &path, const QString &reported);
