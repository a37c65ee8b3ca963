#include "jet/tools/commands/ImportCommand.h"

#include "jet/Error.h"
#include "jet/import/CsvImport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace ravelin {
namespace {

// The whole CSV: from the file `csv`, or standard input for "-".
std::string readAll(const std::string& csv) {
    std::ifstream file;
    if (csv != "-") {
        file.open(csv, std::ios::binary);
        if (!file)
            throw jet::Error(errno == ENOENT ? jet::FileNotFound : jet::DiskIo,
                             "Could not read the CSV '" + csv + "': " + std::strerror(errno) + ".");
    }
    std::istream& in = csv == "-" ? std::cin : file;
    std::ostringstream text;
    if (in.peek() != std::char_traits<char>::eof())
        text << in.rdbuf();
    if (in.bad() || text.bad())
        throw jet::Error(jet::DiskIo,
                         "Could not read the CSV " + (csv == "-" ? "from standard input" : "'" + csv + "'") + ".");
    return std::move(text).str();
}

}  // namespace

int importCommand(const std::vector<std::string>& args) {
    if (args.size() != 2 && args.size() != 3)
        return 2;
    const std::string text = readAll(args.size() == 3 ? args[2] : "-");
    jet::ImportOptions options;
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    if (terminal)
        options.progress = [](std::size_t done, std::size_t total) {
            std::fprintf(stderr, "\rravelin-jet: %zu of %zu rows stored%s", done, total, done == total ? ", writing" : "");
            std::fflush(stderr);
        };
    jet::ImportResult result;
    try {
        result = jet::importCsv(args[0], args[1], text, options);
    } catch (...) {
        if (terminal)
            std::fputs("\r\033[K", stderr);
        throw;
    }
    if (terminal)
        std::fputs("\r\033[K", stderr);
    std::string made;
    if (result.created) {
        for (const auto& c : result.created->columns)
            made += (made.empty() ? "" : ", ") + c.name + " " + jet::describe(c);
        made = " (new table: " + made + ")";
    }
    std::cerr << "ravelin-jet: imported " << result.rows << " rows into '" << args[1] << "'" << made << ".\n";
    return 0;
}

}  // namespace ravelin
