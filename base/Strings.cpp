#include "base/Strings.h"

QString trimBlanks(const QString& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s.at(begin) == QChar(' '))
        ++begin;
    while (end > begin && s.at(end - 1) == QChar(' '))
        --end;
    return s.mid(begin, end - begin);
}

QString TrimNulls(const QString& s) {
    QString out = trimBlanks(s);
    while (out.endsWith(QChar(0)))
        out.chop(1);
    return out;
}
