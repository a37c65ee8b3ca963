#include "jet/tools/commands/ImportCommand.h"

#include "jet/Error.h"
#include "jet/import/CsvImport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <unistd.h>

namespace ravelin {
namespace {

std::string readAll(const std::string& csv) {
    if (csv == "-") {
        std::string text{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
        if (std::cin.bad())
            throw jet::Error(jet::DiskIo, "Could not read the CSV from standard input.");
        return text;
    }
    std::ifstream in(csv, std::ios::binary);
    if (!in)
        throw jet::Error(errno == ENOENT ? jet::FileNotFound : jet::DiskIo,
                         "Could not read the CSV '" + csv + "': " + std::strerror(errno) + ".");
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        throw jet::Error(jet::DiskIo, "Could not read the CSV '" + csv + "'.");
    return text;
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
