#include "StoreFaults.h"

#include "jet/store/StoreIo.h"

#include <unistd.h>

namespace jet::storeio {
namespace {

Fault fault;
long operations = 0;

}  // namespace

void setFault(const Fault& f) {
    fault = f;
    operations = 0;
}

long operationCount() { return operations; }

// Counts one operation and applies the fault when its turn has come. A
// stopping write first writes half its bytes, as a write torn by a crash.
int injectedFault(int fd, const void* data, std::size_t size, std::uint64_t offset) {
    ++operations;
    if (fault.kind == Fault::Kind::None || operations != fault.at)
        return 0;
    if (fault.kind == Fault::Kind::Fail)
        return fault.error;
    if (fd >= 0 && size > 1)
        (void)!::pwrite(fd, data, size / 2, static_cast<off_t>(offset));
    ::_exit(77);
}

}  // namespace jet::storeio
