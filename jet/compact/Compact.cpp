#include "jet/compact/Compact.h"

#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/LdbUsers.h"
#include "jet/compact/CopyDatabase.h"
#include "jet/compact/SourceKeys.h"
#include "jet/store/Journal.h"
#include "jet/table/TableCursor.h"

#include <filesystem>

namespace jet {
namespace {

void requireNoUsers(const std::string& path) {
    std::string users;
    for (const LdbUser& user : readLdbUsers(path))
        if (user.connected)
            users += (users.empty() ? "" : ", ") + user.slot.computerName +
                     (user.slot.securityName.empty() ? "" : " (" + user.slot.securityName + ")");
    if (!users.empty())
        throw Error(OpenedByOthers, "'" + path + "' is in use by " + users +
                                         ": it can be compacted only when no one uses it.");
}

}  // namespace

void replaceInPlace(const std::string& path, const std::function<void(const std::string& copy)>& makeCopy) {
    requireNoUsers(path);
    const std::filesystem::path database(path);
    const std::string beside =
        (database.parent_path() / (database.stem().string() + ".compacting" + database.extension().string())).string();
    // A copy that a run cut short left behind is no one's database: it goes,
    // or it would refuse every later compaction as an existing file.
    std::error_code stale;
    std::filesystem::remove(beside, stale);
    std::filesystem::remove(journalPathFor(beside), stale);
    makeCopy(beside);
    const std::string journal = journalPathFor(beside);
    std::error_code failed;
    try {
        requireNoUsers(path);
        std::filesystem::rename(beside, path, failed);
    } catch (...) {
        std::filesystem::remove(beside, failed);
        throw;
    }
    if (failed) {
        std::error_code ignored;
        std::filesystem::remove(beside, ignored);
        throw Error(DiskIo, "Could not put the compacted copy in the place of '" + path + "': " + failed.message() + ".");
    }
    // The copy's stores leave a void journal under the copy's name, which no file has now.
    if (!journalPending(journal))
        std::filesystem::remove(journal, failed);
}

CompactResult compactInPlace(const std::string& path, const CopyOptions& options) {
    CompactResult result;
    replaceInPlace(path, [&](const std::string& copy) {
        result = compactDatabase(path, copy, options);
        if (result.leftOut.empty())
            return;
        std::error_code ignored;
        std::filesystem::remove(copy, ignored);
        std::string names;
        for (const std::string& name : result.leftOut)
            names += (names.empty() ? "" : ", ") + name;
        throw Error(InvalidArgument, "'" + path + "' cannot be compacted in place yet: the copy would lose " + names +
                                         ", whose fields Ravelin cannot make. Compact it into a new file to keep "
                                         "the database as it is.");
    });
    return result;
}

CompactResult compactDatabase(const std::string& sourcePath, const std::string& dest, const CopyOptions& options) {
    const auto source = Database::open(sourcePath, options.password);
    return copyDatabase(source, sourcePath, dest,
                        [&](const std::string&, const std::shared_ptr<const TableDef>& def, BatchWriter& writer) {
                            std::size_t rows = 0;
                            const SourceKeys keys(source, def);
                            TableCursor cursor(source, def);
                            for (bool more = cursor.moveFirst(); more; more = cursor.moveNext()) {
                                writer.insert(cursor.values(), keys.of(cursor.location()));
                                ++rows;
                            }
                            return rows;
                        },
                        {}, options);
}

}  // namespace jet
