#include "jet/compact/BatchWriter.h"

namespace jet {

namespace {
constexpr std::size_t kRowsBetweenReports = 4096;
}  // namespace

BatchWriter::BatchWriter(PageStore& store, std::string table, const StoreStep& step, const TableDef* copiedFrom,
                         std::function<void(std::size_t)> progress)
    : store_(store), table_(std::move(table)), step_(step), copiedFrom_(copiedFrom), progress_(std::move(progress)) {}

BatchWriter::~BatchWriter() = default;

void BatchWriter::insert(const std::vector<Value>& row, const TableWriter::GivenKeys& keys) {
    if (!writer_)
        writer_ = std::make_unique<TableWriter>(store_, table_, SystemTables::Refused, copiedFrom_);
    writer_->insert(row, keys);
    if (step_())
        writer_.reset();
    if (++inserted_ % kRowsBetweenReports == 0 && progress_)
        progress_(inserted_);
}

}  // namespace jet
