#pragma once
// Numbers typed by the user or read from the settings files.
#include <QString>

#include <optional>

// The value of `text` when it is a number: optional blanks, an optional sign,
// digits with an optional decimal point (the locale's or "."), an optional
// exponent. Anything else, or a value that is not finite, gives nothing.
std::optional<double> parseNumber(const QString& text);

// `value` rounded to the nearest whole number, halves to the even one, as a
// conversion to a whole number rounds.
long long roundToWhole(double value);
