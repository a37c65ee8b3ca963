// Damaged index trees: child pages that loop or lead nowhere, leaf chains in
// a circle, absurd depth, prefix lengths and entry bitmaps that do not fit the
// page. Each gives jet::Error 3343 naming the file, never a hang or a crash;
// the record source's FindFirst then still answers by scanning the table.
//
// The tree damaged is compIndexTestV2000's index CD_AGENTE on Table1 (512
// rows): root page 29 (intermediate, one entry for leaf 32, tail leaf 33),
// leaves 32 -> 33.
#include "JetTesting.h"

#include "jet/page/Coding.h"
#include "jet/Error.h"
#include "jet/index/Index.h"
#include "jet/Recordset.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kPage = 4096;
constexpr std::size_t kFirstEntry = 0x1E0;
constexpr std::uint32_t kRoot = 29, kLeaf = 32, kTail = 33;

Bytes original() { return jettest::fileBytes(jettest::access("compIndexTestV2000.mdb")); }

std::uint8_t* page(Bytes& b, std::uint32_t n) { return &b[n * kPage]; }

void putBigEndian(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// The root's only entry: 5 key bytes, 4 row bytes, then the child page.
void setRootChild(Bytes& b, std::uint32_t child) { putBigEndian(page(b, kRoot) + kFirstEntry + 9, child); }

// Runs `use` on the damaged bytes; it must end in jet::Error 3343.
void expectDamaged(Bytes bytes, const std::string& label,
                   const std::function<void(const std::shared_ptr<jet::Database>&)>& use) {
    const jet::Error e = jettest::caught([&] { use(jet::Database::openBytes(std::move(bytes), "damaged.mdb")); });
    EXPECT_EQ(e.number(), jet::NotADatabase) << label << ": " << e.description();
    EXPECT_NE(e.description().find("damaged.mdb"), std::string::npos) << label << ": " << e.description();
}

void walk(const std::shared_ptr<jet::Database>& db) {
    const jet::Index index(db, db->tableDef("Table1"), "CD_AGENTE");
    index.forEachEntry([](const jet::IndexEntry&) { return true; });
}

void lookUp(const std::shared_ptr<jet::Database>& db) {
    const jet::Index index(db, db->tableDef("Table1"), "CD_AGENTE");
    const jet::Value v = jet::Value::integer(19);
    index.find(std::span<const jet::Value>(&v, 1));
}

TEST(IndexDamage, TheUndamagedTreeReadsWhole) {
    const auto db = jet::Database::openBytes(original(), "damaged.mdb");
    const jet::Index index(db, db->tableDef("Table1"), "CD_AGENTE");
    std::size_t n = 0;
    index.forEachEntry([&](const jet::IndexEntry&) { return ++n, true; });
    EXPECT_EQ(n, 512u);
    const jet::Value v = jet::Value::integer(19);
    EXPECT_EQ(index.find(std::span<const jet::Value>(&v, 1)).size(), 1u);
}

TEST(IndexDamage, EachDamageIsRefusedWhereverTheTreeIsRead) {
    using Use = void (*)(const std::shared_ptr<jet::Database>&);
    struct Case {
        std::string what;
        std::function<void(Bytes&)> damage;
        std::vector<Use> uses;
    };
    const auto rootChild = [](std::uint32_t child) { return [child](Bytes& b) { setRootChild(b, child); }; };
    const auto leafNext = [](std::uint32_t leaf, std::uint32_t next) {
        return [=](Bytes& b) { jet::writeU32(page(b, leaf) + 16, next); };
    };
    const Case cases[] = {
        {"root child: the root itself", rootChild(kRoot), {walk, lookUp}},
        {"root child: page 0", rootChild(0), {walk, lookUp}},
        {"root child: a table definition", rootChild(2), {walk, lookUp}},
        {"root child: beyond the file", rootChild(0xFFFFFF), {walk, lookUp}},
        {"root owned by another table", [](Bytes& b) { jet::writeU32(page(b, kRoot) + 4, 2); }, {walk}},
        {"tail leaf linked back to the first", leafNext(kTail, kLeaf), {walk}},
        {"leaf linked to itself", leafNext(kLeaf, kLeaf), {walk}},
        {"leaf linked to an intermediate page", leafNext(kLeaf, kRoot), {walk}},
        // 40 copies of the root, each leading to the next, then the real leaf.
        {"deep tree",
         [](Bytes& b) {
             const std::uint32_t first = static_cast<std::uint32_t>(b.size() / kPage);
             const Bytes root(page(b, kRoot), page(b, kRoot) + kPage);
             for (std::uint32_t n = 0; n < 40; ++n) {
                 b.insert(b.end(), root.begin(), root.end());
                 putBigEndian(page(b, first + n) + kFirstEntry + 9, n + 1 < 40 ? first + n + 1 : kLeaf);
             }
             setRootChild(b, first);
         },
         {walk, lookUp}},
        {"shared prefix far longer than the first entry",
         [](Bytes& b) {
             page(b, kLeaf)[24] = 0xFF;
             page(b, kLeaf)[25] = 0x7F;
         },
         {walk}},
        {"last entry bitmap bit past the page's end", [](Bytes& b) { page(b, kTail)[kFirstEntry - 1] = 0x80; }, {walk}},
        {"one-byte entries", [](Bytes& b) { std::fill(page(b, kTail) + 0x1B, page(b, kTail) + 0x1B + 8, 0xFF); }, {walk}},
        {"intermediate page with no entries",
         [](Bytes& b) { std::fill(page(b, kRoot) + 0x1B, page(b, kRoot) + kFirstEntry, 0x00); }, {lookUp}},
    };
    for (const Case& c : cases) {
        Bytes b = original();
        c.damage(b);
        for (const Use use : c.uses)
            expectDamaged(b, c.what, use);
    }
}

TEST(IndexDamage, FindFirstAnswersByScanningWhenTheIndexIsDamaged) {
    Bytes b = original();
    setRootChild(b, kRoot);
    const auto db = jet::Database::openBytes(std::move(b), "damaged.mdb");
    jet::Recordset rs(db, "Table1");
    ASSERT_TRUE(rs.findFirst("CD_AGENTE", jet::Value::integer(27)));
    EXPECT_EQ(rs.field("CD_AGENTE").asInteger(), 27);
    EXPECT_FALSE(rs.findFirst("CD_AGENTE", jet::Value::integer(20)));
}

}  // namespace
