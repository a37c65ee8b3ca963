#include "jet/table/ColumnProperties.h"

#include "jet/page/Coding.h"
#include "jet/text/Text.h"

#include <string>
#include <vector>

namespace jet {
namespace {

constexpr std::uint16_t kNamesBlock = 0x80;
constexpr std::uint16_t kObjectBlock = 0x00;
constexpr std::uint16_t kColumnBlock = 0x01;
constexpr std::uint8_t kBooleanProperty = 0x01;
constexpr std::uint8_t kByteProperty = 0x02;

std::string ucs2(std::span<const std::uint8_t> bytes) {
    std::string out;
    appendUcs2Text(bytes, out);
    return out;
}

}  // namespace

void forEachProperty(std::span<const std::uint8_t> blob, const PropertyVisitor& visit) {
    if (blob.size() < 4 || blob[0] != 'M' || blob[1] != 'R' || blob[2] != '2' || blob[3] != 0)
        return;
    std::vector<std::string> names;
    std::size_t object = 0;
    for (std::size_t at = 4; at + 6 <= blob.size();) {
        const std::size_t length = readU32(&blob[at]);
        const std::uint16_t type = readU16(&blob[at + 4]);
        if (length < 6 || length > blob.size() - at)
            return;
        const auto block = blob.subspan(at + 6, length - 6);
        at += length;
        if (type == kNamesBlock) {
            for (std::size_t p = 0; p + 2 <= block.size();) {
                const std::size_t n = readU16(&block[p]);
                if (n > block.size() - p - 2)
                    return;
                names.push_back(ucs2(block.subspan(p + 2, n)));
                p += 2 + n;
            }
            continue;
        }
        if ((type != kObjectBlock && type != kColumnBlock) || block.size() < 6)
            continue;
        // The object's name, then its entries.
        const std::size_t nameBlock = readU32(&block[0]);
        const std::size_t nameLength = readU16(&block[4]);
        if (nameBlock < 6 + nameLength || nameBlock > block.size())
            continue;
        const std::string objectName = ucs2(block.subspan(6, nameLength));
        for (std::size_t p = nameBlock; p + 8 <= block.size();) {
            const std::size_t entry = readU16(&block[p]);
            if (entry < 8 || entry > block.size() - p)
                break;
            const std::uint8_t valueType = block[p + 3];
            const std::size_t nameIndex = readU16(&block[p + 4]);
            const std::size_t valueLength = readU16(&block[p + 6]);
            if (nameIndex < names.size() && valueLength >= 1 && 8 + valueLength <= entry)
                visit(object, objectName, names[nameIndex], valueType, block.subspan(p + 8, valueLength));
            p += entry;
        }
        ++object;
    }
}

std::string propertyText(std::span<const std::uint8_t> value) { return ucs2(value); }

void applyColumnProperties(TableDef& table, std::span<const std::uint8_t> blob) {
    forEachProperty(blob, [&](std::size_t, const std::string& objectName, const std::string& name, std::uint8_t valueType,
                              std::span<const std::uint8_t> value) {
        ColumnDef* column = nullptr;
        for (auto& c : table.columns)
            if (equalsIgnoreCase(c.name, objectName))
                column = &c;
        if (!column)
            return;
        if (valueType == kBooleanProperty && equalsIgnoreCase(name, "Required"))
            column->required = value[0] != 0;
        else if (valueType == kByteProperty && equalsIgnoreCase(name, "ResultType"))
            column->resultType = value[0];
    });
}

}  // namespace jet
