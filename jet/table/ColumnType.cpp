#include "jet/table/ColumnType.h"

namespace jet {

std::size_t fixedSize(std::uint8_t type) {
    switch (static_cast<ColumnType>(type)) {
    case ColumnType::Boolean: return 0;  // held in the null mask
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long: return 4;
    case ColumnType::Currency: return 8;
    case ColumnType::Single: return 4;
    case ColumnType::Double: return 8;
    case ColumnType::DateTime: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Numeric: return 17;
    case ColumnType::Complex: return 4;
    case ColumnType::BigInt: return 8;
    case ColumnType::DateTimeExtended: return 42;
    default: return 0;
    }
}

bool isLongValue(std::uint8_t type) {
    return type == static_cast<std::uint8_t>(ColumnType::Memo) || type == static_cast<std::uint8_t>(ColumnType::Ole);
}

bool knownType(std::uint8_t type) {
    return (type >= 0x01 && type <= 0x0C) || type == 0x0F || type == 0x10 || (type >= 0x12 && type <= 0x14);
}

std::string typeCode(std::uint8_t type) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {'0', 'x', kDigits[type >> 4], kDigits[type & 0x0F]};
}

std::string typeName(std::uint8_t type) {
    switch (static_cast<ColumnType>(type)) {
    case ColumnType::Boolean: return "Boolean";
    case ColumnType::Byte: return "Byte";
    case ColumnType::Integer: return "Integer";
    case ColumnType::Long: return "Long";
    case ColumnType::Currency: return "Currency";
    case ColumnType::Single: return "Single";
    case ColumnType::Double: return "Double";
    case ColumnType::DateTime: return "DateTime";
    case ColumnType::Binary: return "Binary";
    case ColumnType::Text: return "Text";
    case ColumnType::Ole: return "OLE";
    case ColumnType::Memo: return "Memo";
    case ColumnType::Guid: return "GUID";
    case ColumnType::Numeric: return "Decimal";
    case ColumnType::AccessObjectData: return "Access object data";
    case ColumnType::Complex: return "Complex";
    case ColumnType::BigInt: return "BigInt";
    case ColumnType::DateTimeExtended: return "DateTimeExtended";
    }
    return "type " + std::to_string(type);
}

}  // namespace jet
