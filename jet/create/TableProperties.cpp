#include "jet/create/TableProperties.h"

#include "jet/Error.h"
#include "jet/page/Coding.h"
#include "jet/table/ColumnProperties.h"
#include "jet/write/FieldValue.h"
#include "jet/write/TableWriter.h"

#include <algorithm>

namespace jet {
namespace {

constexpr std::uint16_t kNamesBlock = 0x80, kTableBlock = 0x00, kFieldBlock = 0x01;
constexpr std::uint8_t kYesNoProperty = 0x01;

std::vector<std::uint8_t> ucs2(const std::string& utf8) {
    std::u16string units;
    appendUtf16(utf8, units);
    std::vector<std::uint8_t> out;
    for (const char16_t u : units) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

void appendBytes(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace

std::vector<std::uint8_t> encodeTableProperties(const std::string& table, const std::vector<TableProperty>& properties) {
    std::vector<std::string> names, objects{table};
    for (const auto& p : properties) {
        if (std::find(names.begin(), names.end(), p.name) == names.end())
            names.push_back(p.name);
        if (std::find(objects.begin(), objects.end(), p.object) == objects.end())
            objects.push_back(p.object);
    }
    std::vector<std::uint8_t> blob{'M', 'R', '2', 0};
    const auto block = [&](std::uint16_t type, const std::vector<std::uint8_t>& data) {
        appendU32(blob, static_cast<std::uint32_t>(data.size() + 6));
        appendU16(blob, type);
        appendBytes(blob, data);
    };
    std::vector<std::uint8_t> nameData;
    for (const auto& n : names) {
        const auto u = ucs2(n);
        appendU16(nameData, static_cast<std::uint16_t>(u.size()));
        appendBytes(nameData, u);
    }
    block(kNamesBlock, nameData);
    for (std::size_t o = 0; o < objects.size(); ++o) {
        const auto objectName = ucs2(objects[o]);
        std::vector<std::uint8_t> data;
        appendU32(data, static_cast<std::uint32_t>(6 + objectName.size()));
        appendU16(data, static_cast<std::uint16_t>(objectName.size()));
        appendBytes(data, objectName);
        for (const auto& p : properties) {
            if (p.object != objects[o])
                continue;
            const auto value = p.flag >= 0 ? std::vector<std::uint8_t>{static_cast<std::uint8_t>(p.flag)} : ucs2(p.text);
            // Entry: its length, a DDL flag, the type, the name's number, the value's length, the value.
            appendU16(data, static_cast<std::uint16_t>(8 + value.size()));
            data.push_back(0);
            data.push_back(p.flag >= 0 ? kYesNoProperty : kTextProperty);
            appendU16(data, static_cast<std::uint16_t>(std::find(names.begin(), names.end(), p.name) - names.begin()));
            appendU16(data, static_cast<std::uint16_t>(value.size()));
            appendBytes(data, value);
        }
        block(o == 0 ? kTableBlock : kFieldBlock, data);
    }
    return blob;
}

void setTableProperties(PageStore& store, const std::string& table, const std::vector<TableProperty>& properties) {
    setPropertyBlob(store, table, encodeTableProperties(table, properties));
}

void setPropertyBlob(PageStore& store, const std::string& object, const std::vector<std::uint8_t>& blob) {
    TableWriter catalogue(store, "MSysObjects", SystemTables::Written);
    const TableDef& def = catalogue.definition();
    const ColumnDef* name = def.findColumn("Name");
    const ColumnDef* lvProp = def.findColumn("LvProp");
    if (!name || !lvProp)
        throw databaseDamaged(store.name(), "its catalogue has no Name or LvProp field");
    const auto at = catalogue.find(static_cast<std::size_t>(name - def.columns.data()), Value::text(object));
    if (!at)
        throw Error(TableNotFound, "The database '" + store.name() + "' has no object '" + object + "'.");
    auto row = catalogue.read(*at);
    row[static_cast<std::size_t>(lvProp - def.columns.data())] = Value::binary(blob);
    catalogue.update(*at, row);
}

}  // namespace jet
