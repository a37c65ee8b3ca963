#pragma once
// Turns a value given for a column into the kind the column stores, the way
// Jet converts an assigned value: text becomes a number, a date or a flag
// when it reads as one; numbers convert between widths (a Decimal to the
// column's digits after the point, exactly, or 3421); a Date/Time Extended
// field takes a date or the text "YYYY-MM-DD HH:MM:SS.fffffff" (years 1 to
// 9999, up to 7 fraction digits). Errors: 3421 when
// the value cannot be converted, 3349 when a number does not fit the column.
#include "jet/Value.h"
#include "jet/table/TableDef.h"

#include <cstddef>
#include <string_view>

namespace jet {

Value toColumnValue(const ColumnDef& column, const Value& given);

// Error 3162 when `given` is Null and the column cannot hold Null (Yes/No:
// a new row's Yes/No field not given is No, but Null is never assigned).
void requireAssignable(const ColumnDef& column, const Value& given);

// Jet 4 text bytes: the compressed form (FF FE, one byte per character) when
// the column allows it and every character fits in one byte, else UCS-2.
std::vector<std::uint8_t> encodeJet4Text(std::string_view utf8, bool mayCompress);
// Characters (UTF-16 code units) of UTF-8 text, as Jet counts a text's length.
std::size_t textLength(std::string_view utf8);

// Days since 1899-12-30 of a calendar date and time; nothing when it is no date.
std::optional<double> toSerial(const CalendarDateTime& dt);

}  // namespace jet
