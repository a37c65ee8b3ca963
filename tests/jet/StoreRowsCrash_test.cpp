// Row stores into a new user name database (Jet 4, and T_Main made in a new
// .accdb, whose text keys are General 2010's), stopped at every write and sync:
// reopened, the file is byte for byte the file after the stores that
// completed, whose rows our reader and both independent readers list exactly,
// with the checker finding nothing and every index agreeing with the rows.
#include "StoreTesting.h"
#include "WriteTesting.h"

#include "jet/Error.h"
#include "jet/create/CreateDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using jet::Value;
using storetest::kStopped;
using storetest::runInChild;

struct RowChange {
    enum class Kind { Insert, Update, Delete } kind;
    std::string computer;
    std::string name;
};
using RowStore = std::vector<RowChange>;
using Model = std::map<std::string, std::string>;  // ComputerName -> Name

std::vector<RowStore> script() {
    // 120 computer names of 40 characters that differ from their first ones
    // (little for prefix compression to share): more than one index leaf page
    // holds, so the index splits, and the rows fill several data pages.
    RowStore many;
    for (int i = 0; i < 120; ++i) {
        std::string computer{static_cast<char>('A' + i % 26), static_cast<char>('A' + i / 26)};
        computer += std::string(38, static_cast<char>('a' + i % 7));
        many.push_back({RowChange::Kind::Insert, computer, std::string(40, static_cast<char>('a' + i % 26)) + " Müller"});
    }
    return {
        {{RowChange::Kind::Insert, "PC-001", "José Müller"}, {RowChange::Kind::Insert, "PC-002", "Łukasz"}},
        {{RowChange::Kind::Update, "PC-002", "Anna Svensson"}, {RowChange::Kind::Insert, "PC-003", "Zoë"}},
        {{RowChange::Kind::Delete, "PC-001", ""}},
        many,
    };
}

void apply(jet::TableWriter& w, const RowStore& s) {
    const auto& d = w.definition();
    const auto computerColumn = static_cast<std::size_t>(d.findColumn("ComputerName") - d.columns.data());
    for (const auto& c : s) {
        const auto values = jettest::row(d, {{"ComputerName", Value::text(c.computer)}, {"Name", Value::text(c.name)}});
        if (c.kind == RowChange::Kind::Insert)
            w.insert(values);
        else if (c.kind == RowChange::Kind::Update)
            w.update(*w.find(computerColumn, Value::text(c.computer)), values);
        else
            w.erase(*w.find(computerColumn, Value::text(c.computer)));
    }
}

void apply(Model& m, const RowStore& s) {
    for (const auto& c : s) {
        if (c.kind == RowChange::Kind::Delete)
            m.erase(c.computer);
        else
            m[c.computer] = c.name;
    }
}

void runScript(const std::string& path, const std::vector<RowStore>& stores, std::vector<long>* ends = nullptr) {
    for (const auto& s : stores) {
        jettest::store(path, "T_Main", [&](jet::TableWriter& w) { apply(w, s); });
        if (ends)
            ends->push_back(jet::storeio::operationCount());
    }
}

Model rowsOf(const std::string& path) {
    const auto db = jet::Database::open(path);
    const auto def = db->tableDef("T_Main");
    const auto col = [&](const char* n) { return static_cast<std::size_t>(def->findColumn(n) - def->columns.data()); };
    Model m;
    for (const auto& r : jettest::allRows(db, "T_Main"))
        m[r[col("ComputerName")].text()] = r[col("Name")].text();
    return m;
}

class StoreRowsCrash : public ::testing::TestWithParam<std::string> {
protected:
    // The fault-free run: the file after each store, and where each store ends.
    void SetUp() override {
        if (GetParam() == ".mdb") {
            jet::createDatabase(base);
        } else {
            jet::createEmptyDatabase(base);
            jet::runStore(base, [](jet::PageStore& s) { jet::createTable(s, jet::userNameTable()); });
        }
        snapshots.push_back(dir / ("after0" + GetParam()));
        std::filesystem::copy_file(base, snapshots[0]);
        std::filesystem::copy_file(base, work);
        jet::storeio::setFault({});
        for (std::size_t i = 0; i < stores.size(); ++i) {
            runScript(work, {stores[i]}, &ends);
            snapshots.push_back(dir / ("after" + std::to_string(i + 1) + GetParam()));
            std::filesystem::copy_file(work, snapshots.back());
        }
    }
    void TearDown() override { jet::storeio::setFault({}); }

    std::size_t completedBy(long n) const {
        return static_cast<std::size_t>(std::count_if(ends.begin(), ends.end(), [&](long end) { return end <= n; }));
    }
    void restart() {
        std::filesystem::remove(work + ".rvj");  // as in SetUp: the first store makes the journal
        std::filesystem::copy(base, work, std::filesystem::copy_options::overwrite_existing);
    }

    locktest::TempDir dir;
    const std::string base = dir / ("base" + GetParam()), work = dir / ("users" + GetParam());
    const std::vector<RowStore> stores = script();
    std::vector<std::string> snapshots;
    std::vector<long> ends;
};

TEST_P(StoreRowsCrash, StoppedAtAnyOperationTheFileHoldsTheCompletedRowStores) {

    Model model;
    for (std::size_t k = 0; k < snapshots.size(); ++k) {
        if (k > 0)
            apply(model, stores[k - 1]);
        EXPECT_EQ(rowsOf(snapshots[k]), model) << "after " << k << " stores";
        EXPECT_TRUE(jettest::oraclesAgree(snapshots[k], "T_Main")) << "after " << k << " stores";
        EXPECT_EQ(jettest::checkerFindings(snapshots[k]), "") << "after " << k << " stores";
        std::string why;
        EXPECT_TRUE(jettest::indexesMatchRows(snapshots[k], "T_Main", why)) << why;
    }
    // Each recovered file below is byte for byte one of the snapshots above.

    for (long n = 1; n <= ends.back(); ++n) {
        restart();
        ASSERT_EQ(runInChild([&] {
            jet::storeio::setFault({jet::storeio::Fault::Kind::Stop, n, 0});
            runScript(work, stores);
            return 0;
        }), kStopped) << "operation " << n;
        jet::Database::open(work);
        EXPECT_EQ(locktest::readBytes(work), locktest::readBytes(snapshots[completedBy(n)])) << "operation " << n;
    }
}

// A row store failing at any operation (EIO, disk full) leaves the file of
// the stores before it; run again, it gives the file it would have given.
TEST_P(StoreRowsCrash, AFailedRowStoreLeavesTheEarlierStoresAndCanBeRunAgain) {
    for (const int error : {EIO, ENOSPC}) {
        for (long n = 1; n <= ends.back(); ++n) {
            restart();
            jet::storeio::setFault({jet::storeio::Fault::Kind::Fail, n, error});
            std::size_t done = 0;
            try {
                for (; done < stores.size(); ++done)
                    runScript(work, {stores[done]});
            } catch (const jet::Error& e) {
                EXPECT_EQ(e.number(), error == ENOSPC ? 3026 : 3043) << e.what();
            }
            jet::storeio::setFault({});
            ASSERT_LT(done, stores.size()) << "operation " << n << " did not fail";
            EXPECT_EQ(locktest::readBytes(work), locktest::readBytes(snapshots[done])) << "operation " << n;
            runScript(work, {stores[done]});
            EXPECT_EQ(locktest::readBytes(work), locktest::readBytes(snapshots[done + 1])) << "operation " << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, StoreRowsCrash, ::testing::Values(".mdb", ".accdb"),
                         [](const auto& format) { return format.param.substr(1); });

}  // namespace
