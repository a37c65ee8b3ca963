#include "jet/check/CheckDatabase.h"

#include "jet/Error.h"
#include "jet/check/IndexCheck.h"
#include "jet/check/MapCheck.h"
#include "jet/check/TableCheck.h"
#include "jet/index/IndexPage.h"
#include "jet/page/Coding.h"
#include "jet/store/ConsistentOpen.h"
#include "jet/store/Journal.h"
#include "jet/page/PageFormat.h"
#include "jet/table/DataPage.h"

#include <functional>
#include <map>
#include <set>

namespace jet {

std::string describe(const Finding& f) { return f.table + ": page " + std::to_string(f.page) + ": " + f.problem; }

namespace {

class Checker {
public:
    Checker(std::shared_ptr<const Database> db, RowCounts rowCounts) : rowCounts_(rowCounts) { run_.db = std::move(db); }

    std::vector<Finding> run() {
        for (const auto& entry : run_.db->tables()) {
            owners_[entry.definitionPage()] = entry.name;
            checkTable(entry);
        }
        checkDataPages();
        checkGlobalMap();
        return std::move(run_.findings);
    }

private:
    // Runs one part of a table's checks; damage that stops it is a finding too.
    void guarded(const std::string& table, std::uint32_t page, const std::function<void()>& part) {
        try {
            part();
        } catch (const Error& e) {
            run_.add(table, page, e.description());
        }
    }

    // Records that `page` belongs to `owner`; a page may belong to one only.
    void claim(const std::string& table, std::uint32_t page, const std::string& owner) {
        const auto [it, fresh] = claims_.emplace(page, owner);
        if (!fresh && it->second != owner)
            run_.add(table, page, "the page is claimed by both " + it->second + " and " + owner);
    }

    // The pages a map names that exist; those past the end make one finding.
    std::vector<std::uint32_t> existing(const std::string& table, std::uint32_t pointer, const std::string& what) {
        std::vector<std::uint32_t> pages;
        std::size_t pastEnd = 0;
        for (const std::uint32_t p : mapPages(run_, table, pointer)) {
            if (p < run_.db->pager().pageCount())
                pages.push_back(p);
            else if (pastEnd++ == 0)
                run_.add(table, p, what + " names this page, past the end of the file");
        }
        if (pastEnd > 1)
            run_.findings.back().problem += " (and " + std::to_string(pastEnd - 1) + " more pages past the end)";
        return pages;
    }

    void checkTable(const CatalogEntry& entry) {
        const std::string& name = entry.name;
        std::shared_ptr<const TableDef> def;
        guarded(name, entry.definitionPage(), [&] { def = run_.db->tableDef(name); });
        if (!def)
            return;
        claim(name, def->page, "the definition of " + name);

        std::vector<std::uint32_t> dataPages;
        guarded(name, rowPointer(def->usedPagesPointer).page, [&] {
            dataPages = existing(name, def->usedPagesPointer, "the usage map");
            for (const std::uint32_t p : dataPages) {
                claim(name, p, "the rows of " + name);
                const PageRef page = run_.db->pager().page(p);
                if (!isDataPage(*page))
                    run_.add(name, p, "the usage map names this page, which is no data page");
                else if (readU32(&page->bytes[kDataOwnerAt]) != def->page)
                    run_.add(name, p, "the usage map names this page, which belongs to the table at page " +
                                          std::to_string(readU32(&page->bytes[kDataOwnerAt])));
            }
        });

        std::vector<std::set<std::uint32_t>> indexMaps(def->realIndexes.size());
        for (std::size_t n = 0; n < def->realIndexes.size(); ++n) {
            const RealIndex& real = def->realIndexes[n];
            guarded(name, rowPointer(real.usageMapPointer).page, [&] {
                const std::string owner = "index " + std::to_string(n) + " of " + name;
                for (const std::uint32_t p : existing(name, real.usageMapPointer, "the usage map of " + owner)) {
                    indexMaps[n].insert(p);
                    claim(name, p, owner);
                    const std::uint8_t type = run_.db->pager().page(p)->bytes[0];
                    if (type != kIndexNodePageType && type != kIndexLeafPageType)
                        run_.add(name, p, "the usage map of " + owner + " names this page, which is no index page");
                }
            });
        }

        if (rowCounts_ == RowCounts::Exact)
            guarded(name, def->page, [&] { checkRowCount(run_, entry, def); });
        const std::set<std::uint32_t> dataSet(dataPages.begin(), dataPages.end());
        guarded(name, def->page, [&] { checkIndexes(run_, name, def, dataSet, indexMaps); });
    }

    // Every page that holds rows, whoever owns it.
    void checkDataPages() {
        const Pager& pager = run_.db->pager();
        for (std::uint32_t number = 1; number < pager.pageCount(); ++number) {
            const PageRef page = pager.page(number);
            if (!isDataPage(*page))
                continue;
            const auto owner = owners_.find(readU32(&page->bytes[kDataOwnerAt]));
            checkDataPage(run_, owner != owners_.end() ? owner->second : "(no table)", *page);
        }
    }

    // The global usage map's set bits are pages free for reuse: none may
    // belong to a table.
    void checkGlobalMap() {
        if (run_.db->jet3())
            return;
        guarded("(file)", kGlobalUsageMap.page, [&] {
            for (const std::uint32_t p : mapPages(run_, "(file)", rowPointer(kGlobalUsageMap))) {
                const auto owner = claims_.find(p);
                if (owner != claims_.end())
                    run_.add("(file)", p, "the global usage map marks this page free, but it holds " + owner->second);
            }
        });
    }

    RowCounts rowCounts_;
    CheckRun run_;
    std::map<std::uint32_t, std::string> claims_;
    std::map<std::uint32_t, std::string> owners_;  // table names by definition page
};

}  // namespace

std::vector<Finding> checkDatabase(const std::string& path, RowCounts rowCounts, const std::string& password) {
    // The check writes nothing: a pending journal is read through, not rolled back, and reported.
    std::shared_ptr<Database> db;
    bool pending = false;
    {
        ConsistentOpen consistent(path, kDefaultLockWaitMs, PendingJournal::ReadThrough);
        db = Database::openSource(consistent.takeSource(), path, password);
        pending = consistent.journalLeftPending();
    }
    auto findings = Checker(db, rowCounts).run();
    if (pending)
        findings.insert(findings.begin(),
                        {"(file)", 0, "a store was cut short: its journal '" + journalPathFor(path) +
                                          "' is pending (the next store rolls it back); checked as before that store"});
    return findings;
}

}  // namespace jet
