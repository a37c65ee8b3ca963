#include "jet/store/StoreIo.h"

// Shipped programs inject no faults: every store operation goes on.
int jet::storeio::injectedFault(int, const void*, std::size_t, std::uint64_t) { return 0; }
