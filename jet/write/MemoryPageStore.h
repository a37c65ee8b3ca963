#pragma once
// A page store over a database's bytes in memory: what the writers change
// when the file does not exist yet (a database being built) or in tests.
#include "jet/Error.h"
#include "jet/store/PageStore.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace jet {

class MemoryPageStore : public PageStore {
public:
    MemoryPageStore(std::vector<std::uint8_t> bytes, FileFormat format, std::string name = "(memory)")
        : bytes_(std::move(bytes)), format_(format), name_(std::move(name)) {}

    const FileFormat& format() const override { return format_; }
    const std::string& name() const override { return name_; }
    std::uint32_t pageCount() const override { return static_cast<std::uint32_t>(bytes_.size() / pageSize()); }

    std::vector<std::uint8_t> read(std::uint32_t number) const override {
        if (number >= pageCount())
            throw Error(NotADatabase, "The database '" + name_ + "' has no page " + std::to_string(number) + ".");
        const auto from = bytes_.begin() + static_cast<std::ptrdiff_t>(number * pageSize());
        return {from, from + static_cast<std::ptrdiff_t>(pageSize())};
    }
    void write(std::uint32_t number, std::span<const std::uint8_t> bytes) override {
        if (number >= pageCount() || bytes.size() != pageSize())
            throw Error(InvalidArgument, "Page " + std::to_string(number) + " cannot be written.");
        std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(number * pageSize()));
    }
    std::uint32_t append() override {
        bytes_.resize(bytes_.size() + pageSize(), 0);
        return pageCount() - 1;
    }

    void undoable(const std::function<void()>& change) override {
        const auto before = bytes_;
        try {
            change();
        } catch (...) {
            bytes_ = before;
            throw;
        }
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    FileFormat format_;
    std::string name_;
};

}  // namespace jet
