#pragma once
// Whether a folder is a mount point, for --require-mount: an unmounted
// share's empty mount point must not pass for a share nobody uses.
#include <string>

namespace jet::who {

// Whether `folder` (resolved through links) is listed as a mount point in
// /proc/self/mountinfo.
bool isMountPoint(const std::string& folder);

}  // namespace jet::who
