#pragma once
// The engine's in-memory page store, under the name the tests use.
#include "jet/write/MemoryPageStore.h"

namespace jettest {

using MemoryStore = jet::MemoryPageStore;

}  // namespace jettest
