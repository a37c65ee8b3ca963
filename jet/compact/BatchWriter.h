#pragma once
// Rows inserted into one table of a new database in bounded stores: the
// pages they change are written whenever they pass the store's bound, so
// that memory stays flat however large the table (jet/store/Store.h,
// runStoreInSteps). Each insert is whole in one store: a store is written
// only between two inserts.
#include "jet/Value.h"
#include "jet/store/Store.h"
#include "jet/write/TableWriter.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace jet {

class BatchWriter {
public:
    // `copiedFrom` as TableWriter's: the rows' definition in the source.
    // `progress` is told how many rows were inserted, every few thousand.
    BatchWriter(PageStore& store, std::string table, const StoreStep& step, const TableDef* copiedFrom = nullptr,
                std::function<void(std::size_t inserted)> progress = {});
    ~BatchWriter();
    BatchWriter(const BatchWriter&) = delete;
    BatchWriter& operator=(const BatchWriter&) = delete;

    // As TableWriter::insert (keys given: as its other form); a refused row leaves the table as it was.
    void insert(const std::vector<Value>& row, const TableWriter::GivenKeys& keys = {});

private:
    PageStore& store_;
    std::string table_;
    const StoreStep& step_;
    const TableDef* copiedFrom_;
    std::function<void(std::size_t)> progress_;
    std::size_t inserted_ = 0;
    // Made again after each store written: its caches hold pages of the last one.
    std::unique_ptr<TableWriter> writer_;
};

}  // namespace jet
