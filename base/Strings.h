#pragma once
// Text helpers with the program's own notion of blanks: only the space
// character counts, not tabs, line breaks or NULs.
#include <QString>

QString trimBlanks(const QString& s);

// Trims blanks, then removes trailing NUL characters.
QString TrimNulls(const QString& s);
