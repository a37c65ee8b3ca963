#include "base/Numbers.h"

#include "base/Strings.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

std::optional<double> parseNumber(const QString& text) {
    QString t = trimBlanks(text);
    const QChar localePoint = QLocale::system().decimalPoint().at(0);
    if (localePoint != QChar('.'))
        t.replace(localePoint, QChar('.'));
    static const QRegularExpression number(
        QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    if (!number.match(t).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

long long roundToWhole(double value) { return std::llrint(value); }
