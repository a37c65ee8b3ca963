#pragma once
// Column data types as stored in table definitions.
#include <cstdint>
#include <string>

namespace jet {

enum class ColumnType : std::uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
    Guid = 0x0F,
    Numeric = 0x10,
    AccessObjectData = 0x11,  // Jet 4's MSysAccessObjects.Data: raw bytes, as many as the column's length
    Complex = 0x12,  // .accdb multi-valued/attachment column: the id of its values
    BigInt = 0x13,            // Large Number: a 64-bit integer
    DateTimeExtended = 0x14,  // 42 ASCII bytes: days since 0001-01-01, 100-ns ticks of the day, precision
};

// Bytes a fixed-width value of the type takes in a row; 0 for variable-width
// types and types we do not know.
std::size_t fixedSize(std::uint8_t type);
bool isLongValue(std::uint8_t type);  // memo and OLE: stored through a long-value header
// Whether values of the type are read as what they are (any other type's
// values are only the bytes stored).
bool knownType(std::uint8_t type);
std::string typeName(std::uint8_t type);
// The type byte as messages name an unknown type: "0x46".
std::string typeCode(std::uint8_t type);

}  // namespace jet
