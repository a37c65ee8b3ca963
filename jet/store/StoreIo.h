#pragma once
// The file operations a store makes on the database and its journal, in the
// order they happen. Every write, sync and truncation passes through here, so
// that tests can stop or fail a store at any one of them.
#include <cstddef>
#include <cstdint>
#include <string>

namespace jet::storeio {

// Writes all of `size` bytes at `offset`; Error 3026 when the disk is full,
// 3043 for any other failure.
void writeAt(int fd, const void* data, std::size_t size, std::uint64_t offset, const std::string& path);
// Data and the size (fdatasync): what reading the file back needs.
void sync(int fd, const std::string& path);
// Makes a file's creation or removal in the folder holding `path` durable.
void syncFolderOf(const std::string& path);
void truncate(int fd, std::uint64_t length, const std::string& path);

// Reads exactly `size` bytes at `offset`; false at the end of the file.
bool readAt(int fd, void* data, std::size_t size, std::uint64_t offset, const std::string& path);

// Test hook: what happens at the `at`-th operation (1-based) counted from the
// moment it is set. Stop: the process ends there at once (`_exit`), a write
// having reached the file only in part. Fail: the operation fails with
// `error` (EIO, ENOSPC, ...). The count runs on after the fault.
struct Fault {
    enum class Kind { None, Stop, Fail };
    Kind kind = Kind::None;
    long at = 0;
    int error = 0;
};
void setFault(const Fault& fault);
// Operations done since the last setFault.
long operationCount();

}  // namespace jet::storeio
