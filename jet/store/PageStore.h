#pragma once
// The pages of one database file as a store sees them while it runs. Reads
// return the store's own earlier writes; nothing reaches the file until the
// store commits, and a store whose change throws leaves the file as it was.

#include "jet/page/FileFormat.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace jet {

class PageStore {
public:
    virtual ~PageStore() = default;

    virtual const FileFormat& format() const = 0;
    std::size_t pageSize() const { return format().pageSize; }
    // How errors refer to the file (its path).
    virtual const std::string& name() const = 0;

    // Pages in the file, those appended by this store included.
    virtual std::uint32_t pageCount() const = 0;
    // A copy of page `number`; Error 3343 naming the file when there is none.
    virtual std::vector<std::uint8_t> read(std::uint32_t number) const = 0;
    // Replaces page `number`, which exists; `bytes` is exactly pageSize() long.
    virtual void write(std::uint32_t number, std::span<const std::uint8_t> bytes) = 0;
    // Adds a zero-filled page at the end of the file and returns its number.
    // Recording it as used (global and owner usage maps) is the caller's job.
    virtual std::uint32_t append() = 0;

    // Runs `change`; when it throws, every page is as it was before (pages it
    // appended gone again) and the exception goes on.
    virtual void undoable(const std::function<void()>& change) = 0;
};

}  // namespace jet
