#include "jet/compact/Repair.h"

#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/compact/CopyDatabase.h"
#include "jet/compact/SourceKeys.h"
#include "jet/page/Coding.h"
#include "jet/page/PageFormat.h"
#include "jet/store/ConsistentOpen.h"
#include "jet/table/DataPage.h"
#include "jet/table/RowDecoder.h"
#include "jet/table/UsageMap.h"

#include <algorithm>
#include <filesystem>

namespace jet {
namespace {

using Kind = RepairLoss::Kind;

// What an error says is wrong, without the file's name that every loss would repeat.
std::string damage(const Error& e) {
    const std::string& text = e.description();
    const std::string marker = " is damaged or not in a format Ravelin can read (";
    const auto at = text.find(marker);
    if (at == std::string::npos || !text.ends_with(").") || !text.starts_with("The database '"))
        return text;
    const auto from = at + marker.size();
    return text.substr(from, text.size() - 2 - from);
}

// The pages `map` names, from page `first` on, in order. A map that breaks
// off (a page past the end of the file, a map page unreadable) yields what it
// named before, and `broken` says why.
std::vector<std::uint32_t> pagesOf(const UsageMap& map, std::uint32_t first, std::string& broken) {
    std::vector<std::uint32_t> pages;
    try {
        for (auto p = map.firstFrom(first); p; p = *p == UINT32_MAX ? std::nullopt : map.firstFrom(*p + 1))
            pages.push_back(*p);
    } catch (const Error& e) {
        broken = damage(e);
    }
    return pages;
}

// Which table owns each page of the file by the page's own word (its
// definition page; 0 for pages that are not data pages, are free or cannot be
// read).
std::vector<std::uint32_t> pageOwners(const Database& db) {
    const Pager& pager = db.pager();
    std::vector<std::uint32_t> owners(pager.pageCount(), 0);
    for (std::uint32_t p = kFirstFreeablePage; p < pager.pageCount(); ++p)
        try {
            const PageRef page = pager.page(p);
            if (isDataPage(*page) && page->bytes.size() >= kDataOwnerAt + 4)
                owners[p] = readU32(&page->bytes[kDataOwnerAt]);
        } catch (const Error&) {
        }
    std::string ignored;  // a global map that breaks off frees nothing past the break
    try {
        const auto free = UsageMap::read(pager, db.jet3(), rowPointer(kGlobalUsageMap));
        for (std::uint32_t p : pagesOf(free, kFirstFreeablePage, ignored))
            if (p < owners.size())
                owners[p] = 0;
    } catch (const Error&) {
    }
    return owners;
}

class Salvage {
public:
    Salvage(std::shared_ptr<const Database> db, std::vector<RepairLoss>& losses)
        : db_(std::move(db)), owners_(pageOwners(*db_)), losses_(&losses) {
        // A page another table's usage map names is that table's, whatever its
        // owner field says: a damaged owner field must not move rows.
        std::string ignored;
        for (const CatalogEntry& table : db_->tables())
            try {
                const auto def = db_->tableDef(table.name);
                const auto map = UsageMap::read(db_->pager(), db_->jet3(), def->usedPagesPointer);
                for (std::uint32_t p : jet::pagesOf(map, 0, ignored))
                    if (p < owners_.size() && owners_[p] != def->page)
                        owners_[p] = 0;
            } catch (const Error&) {
            }
    }

    std::size_t copy(const std::string& table, const std::shared_ptr<const TableDef>& def, BatchWriter& writer) {
        table_ = &table;
        std::optional<SourceKeys> keys;
        try {
            keys.emplace(db_, def);
        } catch (const Error& e) {  // the rows that needed its keys are refused, each a loss
            if (e.number() == DiskIo)
                throw;
        }
        RowDecoder decoder(db_->pager(), db_->jet3(), *def, db_->textDecoder());
        std::size_t rows = 0;
        for (std::uint32_t p : pagesOf(*def)) {
            const auto view = dataPage(p, def->page);
            for (std::uint16_t r = 0; view && r < view->rowCount(); ++r)
                rows += copyRow(*view, p, r, decoder, *def, writer, keys ? keys->of({p, r}) : TableWriter::GivenKeys{});
        }
        return rows;
    }

private:
    void lose(Kind kind, std::uint32_t page, std::uint16_t row, std::string field, const std::string& why) {
        losses_->push_back({kind, *table_, page, row, std::move(field), why});
    }

    // The table's usage map's pages and its owned pages, merged in order.
    std::vector<std::uint32_t> pagesOf(const TableDef& def) {
        std::vector<std::uint32_t> pages;
        std::string broken;
        try {
            pages = jet::pagesOf(UsageMap::read(db_->pager(), db_->jet3(), def.usedPagesPointer), 0, broken);
        } catch (const Error& e) {
            broken = damage(e);
        }
        if (!broken.empty())
            lose(Kind::Page, pages.empty() ? 0 : pages.back() + 1, 0, {},
                 "the pages the table's usage map names from here on: " + broken);
        for (std::uint32_t p = 0; p < owners_.size(); ++p)
            if (owners_[p] == def.page)
                pages.push_back(p);
        std::sort(pages.begin(), pages.end());
        pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
        return pages;
    }

    std::optional<DataPageView> dataPage(std::uint32_t p, std::uint32_t owner) {
        try {
            const PageRef page = db_->pager().page(p);
            if (!isDataPage(*page)) {
                lose(Kind::Page, p, 0, {}, "the table's usage map names it, but it holds no rows");
                return std::nullopt;
            }
            DataPageView view(page, db_->pager(), db_->jet3());
            if (view.owner() == owner)
                return view;
            lose(Kind::Page, p, 0, {},
                 "the table's usage map names it, but it belongs to the table defined at page " +
                     std::to_string(view.owner()));
        } catch (const Error& e) {
            lose(Kind::Page, p, 0, {}, damage(e));
        }
        return std::nullopt;
    }

    // Copies row `r` of `view` (page `p`) when it is live and readable: 1 when copied.
    std::size_t copyRow(const DataPageView& view, std::uint32_t p, std::uint16_t r, RowDecoder& decoder,
                        const TableDef& def, BatchWriter& writer, const TableWriter::GivenKeys& keys) {
        PageRef moved;
        try {
            const RowSlot slot = view.row(r);
            if (slot.deleted)
                return 0;
            if (slot.moved && slot.bytes.size() < 4)
                db_->pager().damaged("a moved row has no pointer");
            decoder.select(slot.moved ? rowAt(db_->pager(), db_->jet3(), rowPointer(readU32(slot.bytes.data())), moved)
                                      : slot.bytes);
        } catch (const Error& e) {
            lose(Kind::Row, p, r, {}, damage(e));
            return 0;
        }
        const std::size_t before = losses_->size();
        values_.assign(def.columns.size(), Value());
        for (std::size_t c = 0; c < def.columns.size(); ++c)
            try {
                decoder.field(c, values_[c]);
            } catch (const Error& e) {
                values_[c] = Value();
                lose(Kind::Value, p, r, def.columns[c].name, damage(e) + " (Null in the copy)");
            }
        try {
            writer.insert(values_, keys);
            return 1;
        } catch (const Error& e) {
            if (e.number() == DiskIo || e.number() == DiskFull)
                throw;
            losses_->resize(before);  // the row's lost values go with it
            lose(Kind::Row, p, r, {}, "the copy refused it: " + e.description());
            return 0;
        }
    }

    std::shared_ptr<const Database> db_;
    std::vector<std::uint32_t> owners_;
    std::vector<RepairLoss>* losses_;
    const std::string* table_ = nullptr;
    std::vector<Value> values_;
};

}  // namespace

std::string describe(const RepairLoss& loss) {
    const std::string page = "page " + std::to_string(loss.page);
    const std::string row = page + ", row " + std::to_string(loss.row);
    switch (loss.kind) {
    case Kind::Table: return loss.table + ": table not recovered: " + loss.why;
    case Kind::Catalogue: return loss.table + ": " + loss.field + " not recovered: " + loss.why;
    case Kind::Page: return loss.table + ": " + page + " not recovered (its rows are missing): " + loss.why;
    case Kind::Row: return loss.table + ": " + row + " not recovered: " + loss.why;
    case Kind::Value: return loss.table + ": " + row + ", field '" + loss.field + "' not recovered: " + loss.why;
    }
    return loss.why;
}

std::size_t RepairResult::count(Kind kind) const {
    return static_cast<std::size_t>(
        std::count_if(losses.begin(), losses.end(), [&](const RepairLoss& l) { return l.kind == kind; }));
}

RepairResult repairDatabase(const std::string& sourcePath, const std::string& dest, const CopyOptions& options) {
    // Read as it is (through a pending journal): a repair writes nothing to its source.
    ConsistentOpen consistent(sourcePath, kDefaultLockWaitMs, PendingJournal::ReadThrough);
    const auto source = Database::openSource(consistent.takeSource(), sourcePath, options.password);
    RepairResult result;
    Salvage salvage(source, result.losses);
    result.copied = copyDatabase(
        source, sourcePath, dest,
        [&](const std::string& table, const std::shared_ptr<const TableDef>& def, BatchWriter& writer) {
            return salvage.copy(table, def, writer);
        },
        [&](const std::string& table, const std::string& part, const Error& why) {
            result.losses.push_back({part.empty() ? Kind::Table : Kind::Catalogue, table, 0, 0, part, damage(why)});
        },
        options);
    return result;
}

RepairResult repairInPlace(const std::string& path, const std::string& backup, const CopyOptions& options) {
    RepairResult result;
    bool copied = false;
    try {
        replaceInPlace(path, [&](const std::string& copy) {
            // copy_file refuses an existing target: a backup is never replaced.
            std::error_code failed;
            if (!std::filesystem::copy_file(path, backup, failed)) {
                if (failed == std::errc::file_exists)
                    throw Error(DatabaseExists, "The backup '" + backup + "' exists already.");
                throw Error(DiskIo, "Could not copy '" + path + "' to '" + backup + "': " + failed.message() + ".");
            }
            copied = true;
            result = repairDatabase(backup, copy, options);
        });
    } catch (...) {
        std::error_code ignored;
        if (copied)
            std::filesystem::remove(backup, ignored);
        throw;
    }
    return result;
}

}  // namespace jet
