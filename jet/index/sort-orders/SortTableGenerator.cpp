// Writes SortTableData.cpp, the compact form (index/SortTableFormat.h) of the
// code tables beside this file: Access's key codes for every code unit in
// General 97, General legacy and General 2010, as the Jackcess project
// recorded them (Apache License 2.0; see the NOTICE file). Run by the build:
//   SortTableGenerator TABLE_FOLDER OUTPUT_FILE
// A table that is not exactly as expected stops the build.
#include "jet/index/SortTableFormat.h"
#include "jet/index/SortTables.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using jet::CodeKind;
using Bytes = std::vector<std::uint8_t>;

struct Code {
    CodeKind kind = CodeKind::Ignored;
    Bytes primary;
    Bytes accents;
    unsigned letters = 1;
    bool smallKana = false;
};

[[noreturn]] void fail(const std::string& why) { throw std::runtime_error(why); }

// Hex digits, a dropped leading 0 put back.
Bytes hexBytes(std::string digits, const std::string& where) {
    if (digits.size() % 2)
        digits.insert(digits.begin(), '0');
    Bytes out;
    for (std::size_t n = 0; n < digits.size(); n += 2) {
        std::size_t used = 0;
        const unsigned long b = std::stoul(digits.substr(n, 2), &used, 16);
        if (used != 2)
            fail(where + ": '" + digits + "' is not hex");
        out.push_back(static_cast<std::uint8_t>(b));
    }
    return out;
}

// One line: a kind letter, then comma-separated fields.
Code parse(const std::string& line, const std::string& where) {
    static const std::map<char, std::pair<CodeKind, std::size_t>> kKinds = {
        {'X', {CodeKind::Ignored, 0}},     {'S', {CodeKind::Plain, 1}},    {'I', {CodeKind::Accented, 2}},
        {'U', {CodeKind::Unprintable, 1}}, {'P', {CodeKind::Modifier, 1}}, {'Z', {CodeKind::Kana, 3}},
        {'G', {CodeKind::Significant, 1}},
    };
    const auto kind = line.empty() ? kKinds.end() : kKinds.find(line[0]);
    if (kind == kKinds.end())
        fail(where + ": unknown kind in '" + line + "'");
    std::vector<std::string> fields;
    if (line.size() > 1 || kind->second.second > 0) {
        std::stringstream rest(line.substr(1) + ",");
        for (std::string f; std::getline(rest, f, ',');)
            fields.push_back(f);
    }
    if (fields.size() != kind->second.second)
        fail(where + ": '" + line + "' has " + std::to_string(fields.size()) + " fields");
    Code c;
    c.kind = kind->second.first;
    switch (c.kind) {
    case CodeKind::Unprintable:
    case CodeKind::Modifier: c.accents = hexBytes(fields[0], where); break;
    case CodeKind::Kana: c.smallKana = fields[2] == "1"; [[fallthrough]];
    case CodeKind::Accented: c.accents = hexBytes(fields[1], where); [[fallthrough]];
    case CodeKind::Plain:
    case CodeKind::Significant: c.primary = hexBytes(fields[0], where); break;
    default: break;
    }
    const bool needsPrimary = c.kind != CodeKind::Ignored && c.kind != CodeKind::Unprintable && c.kind != CodeKind::Modifier;
    const bool oneByte = c.kind == CodeKind::Unprintable || c.kind == CodeKind::Modifier;
    if ((needsPrimary && c.primary.empty()) || c.primary.size() > jet::sorttable::kPrimaryBits ||
        c.accents.size() > jet::sorttable::kAccentBits || (oneByte && c.accents.size() != 1) ||
        (c.kind == CodeKind::Accented && c.accents.empty()))
        fail(where + ": '" + line + "' does not fit the compact form");
    return c;
}

std::vector<Code> readTable(const std::string& folder, const std::string& name, std::size_t lines) {
    std::ifstream in(folder + "/" + name);
    if (!in)
        fail("cannot read " + folder + "/" + name);
    std::vector<Code> codes;
    for (std::string line; std::getline(in, line);)
        codes.push_back(parse(line, name + ":" + std::to_string(codes.size() + 1)));
    if (codes.size() != lines)
        fail(name + " has " + std::to_string(codes.size()) + " lines, not " + std::to_string(lines));
    return codes;
}

// Every code unit of the BMP: the base table for U+0000-U+00FF, the extension
// table for the rest; surrogates are computed.
std::vector<Code> wholePlane(const std::string& folder, const std::string& base, const std::string& ext) {
    std::vector<Code> units = readTable(folder, base, 0x100);
    const std::vector<Code> more = readTable(folder, ext, 0xD800 - 0x100 + 0x10000 - 0xE000);
    units.insert(units.end(), more.begin(), more.begin() + (0xD800 - 0x100));
    units.resize(0xE000, Code{CodeKind::Surrogate, {}, {}, 1, false});
    units.insert(units.end(), more.begin() + (0xD800 - 0x100), more.end());
    // Expansions: primary bytes that are the codes of two letters or digits
    // or more in a row (ß as "ss"). All those codes have one size per order.
    std::set<Bytes> letters;
    for (const char c : std::string("0123456789abcdefghijklmnopqrstuvwxyz"))
        letters.insert(units[static_cast<unsigned char>(c)].primary);
    const std::size_t size = letters.begin()->size();
    if (std::any_of(letters.begin(), letters.end(), [&](const Bytes& b) { return b.size() != size; }))
        fail(base + ": letters and digits have codes of different sizes");
    for (Code& c : units) {
        const std::size_t n = c.primary.size() / size;
        if (n < 2 || c.primary.size() % size != 0)
            continue;
        bool spelt = true;
        for (std::size_t k = 0; k < n && spelt; ++k)
            spelt = letters.contains(Bytes(c.primary.begin() + static_cast<std::ptrdiff_t>(k * size),
                                           c.primary.begin() + static_cast<std::ptrdiff_t>((k + 1) * size)));
        if (spelt)
            c.letters = static_cast<unsigned>(std::min<std::size_t>(n, jet::sorttable::kLettersBits + 1));
    }
    return units;
}

class Writer {
public:
    explicit Writer(std::ostream& out) : out_(out) {}

    void table(const std::string& name, const std::vector<Code>& units) {
        using namespace jet::sorttable;
        Bytes records;
        std::vector<std::uint32_t> blocks;
        for (std::size_t u = 0; u < units.size(); ++u) {
            const Code& c = units[u];
            if (u % kBlockUnits == 0)
                blocks.push_back(static_cast<std::uint32_t>(records.size()));
            const bool more = !c.accents.empty() || c.letters > 1 || c.smallKana;
            records.push_back(static_cast<std::uint8_t>(static_cast<unsigned>(c.kind) | c.primary.size() << kPrimaryShift |
                                                        (more ? kMoreHead : 0)));
            if (more)
                records.push_back(static_cast<std::uint8_t>(c.accents.size() | (c.letters - 1) << kLettersShift |
                                                            (c.smallKana ? kSmallKana : 0)));
            records.insert(records.end(), c.primary.begin(), c.primary.end());
            records.insert(records.end(), c.accents.begin(), c.accents.end());
        }
        numbers("const std::uint8_t " + name + "Records[]", records);
        numbers("const std::uint32_t " + name + "Blocks[]", blocks);
        tables_ += "const Table k" + name + "{" + name + "Records, " + name + "Blocks, " + std::to_string(units.size()) +
                   "};\n";
    }

    // The tables' definitions, after the arrays they name.
    const std::string& tables() const { return tables_; }

    template <typename T>
    void numbers(const std::string& declaration, const std::vector<T>& values) {
        out_ << declaration << " = {";
        for (std::size_t n = 0; n < values.size(); ++n)
            out_ << (n % 24 == 0 ? "\n" : "") << +values[n] << ",";
        out_ << "\n};\n";
    }

private:
    std::ostream& out_;
    std::string tables_;
};

void generate(const std::string& folder, const std::string& output) {
    std::vector<Code> general97 = readTable(folder, "index_codes_gen_97.txt", 0x100);
    const auto legacy = wholePlane(folder, "index_codes_genleg.txt", "index_codes_ext_genleg.txt");
    const auto general2010 = wholePlane(folder, "index_codes_gen.txt", "index_codes_ext_gen.txt");

    std::ifstream mappings(folder + "/index_mappings_ext_gen_97.txt");
    std::map<unsigned, unsigned> bytes;
    for (std::string line; std::getline(mappings, line);) {
        unsigned unit = 0, byte = 0;
        if (std::sscanf(line.c_str(), "%u,%u", &unit, &byte) != 2 || unit < 0x100 || unit > 0xFFFF || byte > 0xFF)
            fail("index_mappings_ext_gen_97.txt: bad line '" + line + "'");
        bytes[unit] = byte;
    }
    if (bytes.size() != 27)
        fail("index_mappings_ext_gen_97.txt has " + std::to_string(bytes.size()) + " mappings, not 27");

    std::ostringstream out;
    out << "// Made by SortTableGenerator from index/sort-orders/*.txt: do not edit.\n"
           "#include \"jet/index/SortTableFormat.h\"\n\nnamespace jet::sorttable {\nnamespace {\n\n";
    Writer w(out);
    w.table("General97", general97);
    w.table("GeneralLegacy", legacy);
    w.table("General2010", general2010);
    out << "\n}  // namespace\n\n" << w.tables() << "\nconst ByteOf kGeneral97Bytes[] = {\n";
    for (const auto& [unit, byte] : bytes)
        out << "{" << unit << ", " << byte << "},\n";
    out << "};\nconst std::size_t kGeneral97ByteCount = " << bytes.size() << ";\n\n}  // namespace jet::sorttable\n";

    std::ofstream file(output, std::ios::trunc);
    file << out.str();
    if (!file.flush())
        fail("cannot write " + output);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: SortTableGenerator TABLE_FOLDER OUTPUT_FILE\n";
        return 2;
    }
    try {
        generate(argv[1], argv[2]);
    } catch (const std::exception& e) {
        std::cerr << "SortTableGenerator: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
