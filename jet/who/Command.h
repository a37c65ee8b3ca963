#pragma once
// Runs a helper program (smbstatus, testparm) for ravelin-who: from an
// argument vector, no shell, found along PATH, stdin /dev/null, both outputs
// read to their end, ended when it takes longer than allowed.
#include <chrono>
#include <string>
#include <vector>

namespace jet::who {

struct CommandRun {
    std::string out, err;
    int exitCode = -1;   // -1 when it did not end by itself
    std::string reason;  // why it could not be run or did not finish; empty when it ended
};

CommandRun runCommand(std::vector<std::string> args, std::chrono::milliseconds limit);

}  // namespace jet::who
