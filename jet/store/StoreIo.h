#pragma once
// The file operations a store makes on the database and its journal, in the
// order they happen. Every write, sync and truncation passes through here, so
// that tests can stop or fail a store at any one of them (injectedFault).
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

// The seam of fault injection: called once before each operation above but
// reads, with what a write is about to write (nothing for the others); the
// error the operation is to fail with instead, 0 to go on. The engine's own
// definition (NoFaults.cpp) always answers 0; a test program defines its own,
// which the linker takes in its place.
int injectedFault(int fd, const void* data, std::size_t size, std::uint64_t offset);

}  // namespace jet::storeio
