#pragma once
// Long values (memo and OLE): a 12-byte header in the row gives the length
// and where the bytes are: right after the header, in one row of a long-value
// page, or in a chain of such rows, each starting with a pointer to the next.
#include "jet/page/Pager.h"

#include <cstdint>
#include <span>
#include <string>

namespace jet {

inline constexpr std::size_t kLongValueHeaderSize = 12;

// Appends the bytes of the long value whose row field (header and any inline
// bytes) is `field` to `out`. The length is checked against the file's size
// before anything is allocated; chains are followed only while they give bytes.
void readLongValue(const Pager& pager, bool jet3, std::span<const std::uint8_t> field, std::string& out);

}  // namespace jet
