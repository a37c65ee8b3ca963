#include "jet/compact/BatchWriter.h"

namespace jet {

BatchWriter::BatchWriter(PageStore& store, std::string table, const StoreStep& step, const TableDef* copiedFrom)
    : store_(store), table_(std::move(table)), step_(step), copiedFrom_(copiedFrom) {}

BatchWriter::~BatchWriter() = default;

void BatchWriter::insert(const std::vector<Value>& row, const TableWriter::GivenKeys& keys) {
    if (!writer_)
        writer_ = std::make_unique<TableWriter>(store_, table_, SystemTables::Refused, copiedFrom_);
    writer_->insert(row, keys);
    if (step_())
        writer_.reset();
}

}  // namespace jet
