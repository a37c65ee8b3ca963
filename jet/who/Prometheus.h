#pragma once
// The node exporter's textfile-collector format for the users of databases.
#include "jet/who/Listing.h"

#include <string>
#include <vector>

namespace jet::who {

// ravelin_users{database,state="connected"|"suspect"}, ravelin_lock_slots
// and ravelin_readable (0 when the database or its lock file can't be read).
std::string prometheusText(const std::vector<DatabaseUsers>& databases);

// Replaces `path` with `text` atomically: written beside it, synced, renamed
// over it, so the collector never reads half a file. Throws std::runtime_error
// naming the file and the reason.
void replaceFile(const std::string& path, const std::string& text);

}  // namespace jet::who
