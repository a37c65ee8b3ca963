#pragma once
// The pages of a running store seen through the reading engine: a Database
// over the store reads the store's own writes and the pages it appended.
#include "jet/Database.h"
#include "jet/store/PageStore.h"

#include <memory>

namespace jet {

// A Database reading `store` as it stands now; open a new one after writing.
std::shared_ptr<Database> openStoreDatabase(PageStore& store);

}  // namespace jet
