#include "jet/create/NewFormat.h"

#include "jet/Error.h"

#include <cctype>

namespace jet {
namespace {

bool endsWithIgnoringCase(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size())
        return false;
    for (std::size_t n = 0; n < tail.size(); ++n)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + n])) != tail[n])
            return false;
    return true;
}

}  // namespace

Version newDatabaseVersion(const std::string& path) {
    if (endsWithIgnoringCase(path, ".mdb"))
        return Version::Jet4;
    if (endsWithIgnoringCase(path, ".accdb"))
        return Version::Ace16;
    throw Error(InvalidArgument, "Cannot create '" + path + "': a database file name ends in .mdb or .accdb.");
}

std::uint8_t newTextSortVersion(Version v) { return v == Version::Jet4 || v == Version::Ace12 ? 0 : 1; }

}  // namespace jet
