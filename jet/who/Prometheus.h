#pragma once
// The node exporter's textfile-collector format for the users of databases.
#include "jet/who/Listing.h"

#include <string>

namespace jet::who {

// ravelin_users{database,state="connected"|"suspect"}, ravelin_lock_slots,
// ravelin_readable (0 when the database or its lock file can't be read) and
// ravelin_connections_seen (0 when who is connected can't be seen) per
// database; ravelin_scan_readable and ravelin_scan_unreadable_folders per
// --scan folder; ravelin_mounted 0 per --require-mount folder that is not
// mounted. A database read through a lock file whose name differs from its
// own in letter case has a lock_file label too. Label values are names as shown (jet/who/Text.h): always
// valid UTF-8, and each database and folder once.
std::string prometheusText(const Sighting& sighting);

// Replaces `path` with `text` atomically: written beside it, synced, renamed
// over it, so the collector never reads half a file. Throws Error DiskIo (3043)
// naming the file and the reason.
void replaceFile(const std::string& path, const std::string& text);

}  // namespace jet::who
