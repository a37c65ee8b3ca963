// Any bytes read as a lock file's lines, the way the monitor's reader reads
// them: every line is bounded, holds no end mark, and the lines with their
// end marks account for the input.
#include "jet/lockfile/LockFileLines.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto lines = jet::linesOf({data, size});
    std::size_t count = 0;
    while (const auto line = lines.next("fuzz.ldb")) {
        check(line->size() <= jet::LockFileLines::kMaxLineBytes);
        check(line->find('\0') == std::string::npos);
        check(line->find('\r') == std::string::npos);
        check(++count <= size);
    }
    check(size == 0 || count > 0);
    return 0;
}
