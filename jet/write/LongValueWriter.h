#pragma once
// Writes memo and OLE values as Access stores them: up to 64 bytes inline in
// the row after the 12-byte header; up to a page's worth in one row of a
// long-value page; larger values in a chain of such rows, each starting with
// the row pointer of the next. Long-value pages are data pages owned by
// "LVAL" and belong to no usage map (as in files Access wrote). A page whose
// rows are all freed goes back to the file; space freed on others is used
// again by the same writer before it takes a new page.
#include "jet/store/PageStore.h"

#include <cstdint>
#include <span>
#include <vector>

namespace jet {

class LongValueWriter {
public:
    explicit LongValueWriter(PageStore& store) : store_(store) {}

    // The row field (header and inline bytes) of a new long value.
    std::vector<std::uint8_t> write(std::span<const std::uint8_t> bytes);
    // Marks the rows of the long value whose row field is `field` deleted.
    void free(std::span<const std::uint8_t> field);

private:
    std::uint32_t place(std::vector<std::uint8_t> row);  // returns the row pointer
    void remember(std::uint32_t page);

    PageStore& store_;
    std::vector<std::uint32_t> roomy_;  // long-value pages this writer made, found or freed rows on
    bool lookedBack_ = false;
};

}  // namespace jet
