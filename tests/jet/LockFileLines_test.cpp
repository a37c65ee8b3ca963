#include "JetTesting.h"

#include "jet/Error.h"
#include "jet/lockfile/LockFileLines.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

std::vector<std::string> allLines(const std::string& text) {
    auto lines = jet::linesOf({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    std::vector<std::string> out;
    while (auto l = lines.next("x.ldb"))
        out.push_back(*l);
    return out;
}

using Lines = std::vector<std::string>;

TEST(LockFileLines, CarriageReturnsAndNulsEndLines) {
    EXPECT_EQ(allLines("a\r\nb\rc\0d"s), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(allLines("a\r\r\nb\r\n"), (Lines{"a", "", "b"}));
    // A lone line feed does not end a line.
    EXPECT_EQ(allLines("a\nb\r\n"), (Lines{"a\nb"}));
    EXPECT_EQ(allLines(""), Lines{});
}

TEST(LockFileLines, AJetSlotReadsAsItsTwoNames) {
    std::string slot = "CDU001";
    slot += '\0';
    slot.append(25, ' ');
    slot += "CONTOURCDU";
    slot.append(22, '\0');
    ASSERT_EQ(slot.size(), 64u);
    const Lines lines = allLines(slot);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CDU001");
    EXPECT_EQ(lines[1], std::string(25, ' ') + "CONTOURCDU");
    for (std::size_t i = 2; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], "");
}

TEST(LockFileLines, AnOverlongLineKeepsItsStartAndTheNextLineIsIntact) {
    const std::string text = std::string(3 * jet::LockFileLines::kMaxLineBytes + 17, 'x') + "\r\nPC01\r\n";
    const Lines lines = allLines(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(jet::LockFileLines::kMaxLineBytes, 'x'));
    EXPECT_EQ(lines[1], "PC01");
}

TEST(LockFileLines, ALineSplitAcrossReadsIsWhole) {
    // A source that hands out one byte at a time.
    const std::string text = "PC01\r\nADMIN\0";
    std::size_t at = 0;
    jet::LockFileLines lines([&](void* p, std::size_t) -> ssize_t {
        if (at == text.size())
            return 0;
        *static_cast<char*>(p) = text[at++];
        return 1;
    });
    EXPECT_EQ(lines.next("x.ldb"), "PC01");
    EXPECT_EQ(lines.next("x.ldb"), "ADMIN");
    EXPECT_EQ(lines.next("x.ldb"), std::nullopt);
}

TEST(LockFileLines, AReadFailureNamesTheFile) {
    jet::LockFileLines lines([](void*, std::size_t) -> ssize_t {
        errno = EIO;
        return -1;
    });
    const jet::Error e = jettest::caught([&] { lines.next("/srv/share/sales.ldb"); });
    EXPECT_EQ(e.number(), jet::DiskIo) << "a failed read was taken for the end of the file";
    EXPECT_NE(e.description().find("/srv/share/sales.ldb"), std::string::npos);
}

}  // namespace
