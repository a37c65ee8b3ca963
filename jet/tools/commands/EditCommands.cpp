#include "jet/tools/commands/EditCommands.h"

#include "jet/Error.h"
#include "jet/write/FieldValue.h"
#include "jet/store/Store.h"
#include "jet/write/TableWriter.h"

#include <iostream>
#include <utility>

namespace ravelin {
namespace {

struct Assignment {
    std::string column;
    jet::Value value;
};

Assignment parse(const std::string& arg) {
    const auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0)
        throw jet::Error(jet::InvalidArgument, "'" + arg + "' is not COLUMN=VALUE.");
    std::string text = arg.substr(eq + 1);
    // Only \N (Null) and \\N (the text \N) are special: a UNC path stays as typed.
    if (text == "\\N")
        return {arg.substr(0, eq), jet::Value()};
    if (text == "\\\\N")
        text.erase(0, 1);
    return {arg.substr(0, eq), jet::Value::text(std::move(text))};
}

std::size_t columnIndex(const jet::TableWriter& w, const std::string& name) {
    const jet::ColumnDef* c = w.definition().findColumn(name);
    if (!c)
        throw jet::Error(jet::FieldNotFound, "Table '" + w.tableName() + "' has no field '" + name + "'.");
    return static_cast<std::size_t>(c - w.definition().columns.data());
}

// The first row whose key column holds the key value.
jet::RowLocation keyed(jet::TableWriter& w, const Assignment& key) {
    const auto at = w.find(columnIndex(w, key.column), key.value);
    if (!at)
        throw jet::Error(jet::NoCurrentRecord, "Table '" + w.tableName() + "' has no row where " + key.column +
                                                   " is " + (key.value.isNull() ? "Null" : "'" + key.value.text() + "'") +
                                                   ".");
    return *at;
}

void assign(jet::TableWriter& w, std::vector<jet::Value>& row, const std::vector<std::string>& args, std::size_t from) {
    std::vector<bool> given(row.size());
    for (std::size_t i = from; i < args.size(); ++i) {
        Assignment a = parse(args[i]);
        const std::size_t column = columnIndex(w, a.column);
        if (given[column])
            throw jet::Error(jet::InvalidArgument, "Field '" + w.definition().columns[column].name +
                                                       "' is given more than one value.");
        given[column] = true;
        jet::requireAssignable(w.definition().columns[column], a.value);
        row[column] = std::move(a.value);
    }
}

}  // namespace

int insertCommand(const std::vector<std::string>& args) {
    if (args.size() < 3)
        return 2;
    jet::runStore(args[0], [&](jet::PageStore& pages) {
        jet::TableWriter w(pages, args[1]);
        std::vector<jet::Value> row = w.newRow();
        assign(w, row, args, 2);
        w.insert(row);
    });
    return 0;
}

int updateCommand(const std::vector<std::string>& args) {
    if (args.size() < 4)
        return 2;
    jet::runStore(args[0], [&](jet::PageStore& pages) {
        jet::TableWriter w(pages, args[1]);
        const jet::RowLocation at = keyed(w, parse(args[2]));
        std::vector<jet::Value> row = w.read(at);
        assign(w, row, args, 3);
        w.update(at, row);
    });
    return 0;
}

int deleteCommand(const std::vector<std::string>& args) {
    if (args.size() != 3)
        return 2;
    jet::runStore(args[0], [&](jet::PageStore& pages) {
        jet::TableWriter w(pages, args[1]);
        w.erase(keyed(w, parse(args[2])));
    });
    return 0;
}

}  // namespace ravelin
