#pragma once
// Faults injected into a store's file operations (jet/store/StoreIo.h): this
// test program's definition of storeio::injectedFault replaces the engine's.
namespace jet::storeio {

// What happens at the `at`-th operation (1-based) counted from the moment it
// is set. Stop: the process ends there at once (`_exit(77)`), a write having
// reached the file only in part. Fail: the operation fails with `error` (EIO,
// ENOSPC, ...). The count runs on after the fault.
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
