// ravelin-jet: reads Access databases without Access.
//   ravelin-jet tables [--system] FILE   table names, one per line, catalogue order; then
//                                        linked tables: name, a tab, what it links to
//   ravelin-jet export [--skip-damaged] [--hyperlinks full] FILE TABLE
//                                        the table as CSV on stdout; a damaged data page
//                                        fails the export, or with --skip-damaged is left
//                                        out with a warning and exit code 1; hyperlinks as
//                                        Access shows them, or whole with --hyperlinks full
//   ravelin-jet info FILE                format, page size, code page, sort order, password
//   ravelin-jet check FILE               every inconsistency found, one per line; exit 1 when any
//   ravelin-jet insert|update|delete ... change a table (see commands/EditCommands.h)
//   ravelin-jet create FILE              a new, empty database (.mdb: Jet 4)
//   ravelin-jet import FILE TABLE [CSV]  CSV into a table, new or not (see commands/ImportCommand.h)
//   ravelin-jet compact SOURCE [DEST]    a compacted copy, or SOURCE compacted in place (jet/compact/Compact.h)
//   ravelin-jet repair SOURCE DEST       a copy of what can be read (jet/compact/Repair.h); what cannot
//                                        on stderr, one line each, and exit code 1
// An .accdb encrypted with a password is read with the password held in the
// file named by --password-file FILE (its first line), or else in the
// environment variable RAVELIN_JET_PASSWORD; never as an argument, which
// other users could see.
// Errors go to stderr with exit code 1; usage errors exit with 2. Warnings
// (a journal kept aside, not applied) go to stderr too, the command going on.
#include "jet/table/CsvExport.h"
#include "jet/Database.h"
#include "jet/Error.h"
#include "jet/compact/Compact.h"
#include "jet/compact/Repair.h"
#include "jet/create/CreateDatabase.h"
#include "jet/tools/commands/CheckCommand.h"
#include "jet/tools/commands/EditCommands.h"
#include "jet/tools/commands/ImportCommand.h"
#include "jet/tools/ToolPassword.h"
#include "jet/tools/ToolVersion.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The password of an encrypted database, for the commands that read one.
std::string databasePassword;

int usage() {
    std::cerr << "usage: ravelin-jet tables [--system] FILE\n"
                 "       ravelin-jet export [--skip-damaged] [--hyperlinks shown|full] FILE TABLE\n"
                 "       ravelin-jet info FILE\n"
                 "       ravelin-jet check FILE\n"
                 "       ravelin-jet insert FILE TABLE COLUMN=VALUE ...\n"
                 "       ravelin-jet update FILE TABLE KEYCOLUMN=KEYVALUE COLUMN=VALUE ...\n"
                 "       ravelin-jet delete FILE TABLE KEYCOLUMN=KEYVALUE\n"
                 "       ravelin-jet create FILE\n"
                 "       ravelin-jet import FILE TABLE [CSV]\n"
                 "       ravelin-jet compact SOURCE [DEST]\n"
                 "       ravelin-jet repair SOURCE DEST\n"
                 "  FILE encrypted with a password: --password-file PWFILE before the command, or\n"
                 "  RAVELIN_JET_PASSWORD in the environment.\n"
                 "  COLUMN= is zero-length text, COLUMN=\\N is Null (\\\\N: the text \\N); update and\n"
                 "  delete change the first row whose KEYCOLUMN equals KEYVALUE. import reads CSV as\n"
                 "  export writes it (from standard input without CSV) and makes TABLE if it is new.\n";
    return 2;
}

// The catalogue objects a copy does not hold yet, on stderr.
void tellLeftOut(const jet::CompactResult& copied) {
    for (std::size_t n = 0; n < copied.leftOut.size(); ++n)
        std::cerr << (n == 0 ? "not copied yet (fields Ravelin cannot make): " : ", ") << copied.leftOut[n]
                  << (n + 1 == copied.leftOut.size() ? "\n" : "");
}

int repair(const std::string& source, const std::string& dest) {
    const jet::RepairResult repaired = jet::repairDatabase(source, dest, {databasePassword, {}});
    std::cout << repaired.copied.tables << " tables, " << repaired.copied.rows << " rows, " << repaired.copied.queries
              << " queries recovered into " << dest << '\n';
    if (repaired.losses.empty())
        return 0;
    for (const jet::RepairLoss& loss : repaired.losses)
        std::cerr << jet::describe(loss) << '\n';
    using K = jet::RepairLoss::Kind;
    std::cerr << "not recovered in all: " << repaired.count(K::Table) << " tables, " << repaired.count(K::Page)
              << " pages, " << repaired.count(K::Row) << " rows, " << repaired.count(K::Value) << " values, "
              << repaired.count(K::Catalogue) << " other parts\n";
    return 1;
}

int tables(const std::vector<std::string>& args) {
    bool system = false;
    std::vector<std::string> files;
    for (const auto& a : args) {
        if (a == "--system")
            system = true;
        else if (a.starts_with("--"))
            return usage();
        else
            files.push_back(a);
    }
    if (files.size() != 1)
        return usage();
    const auto db = jet::Database::open(files[0], databasePassword);
    for (const auto& name : db->tableNames(system))
        std::cout << name << '\n';
    for (const auto& link : db->links())
        std::cout << link.name << '\t' << link.describe() << '\n';
    return 0;
}

int exportTable(const std::vector<std::string>& args) {
    jet::CsvExportOptions options;
    std::vector<std::string> operands;
    for (std::size_t n = 0; n < args.size(); ++n) {
        const std::string& a = args[n];
        if (a == "--skip-damaged")
            options.skipDamagedPages = true;
        else if (a == "--hyperlinks" && n + 1 < args.size() && (args[n + 1] == "full" || args[n + 1] == "shown"))
            options.hyperlinks = args[++n] == "full" ? jet::HyperlinkForm::Full : jet::HyperlinkForm::Shown;
        else if (a.starts_with("--"))
            return usage();
        else
            operands.push_back(a);
    }
    if (operands.size() != 2)
        return usage();
    const auto db = jet::Database::open(operands[0], databasePassword);
    std::ostringstream notes;
    const auto result = jet::exportCsv(db, operands[1], std::cout, notes, options);
    std::istringstream lines(notes.str());
    for (std::string note; std::getline(lines, note);)
        std::cerr << "ravelin-jet: " << note << '\n';
    std::cout.flush();
    if (!std::cout)
        throw jet::Error(jet::DiskIo, "Could not write the export of table '" + operands[1] + "'.");
    if (result.skippedPages > 0) {
        std::cerr << "ravelin-jet: the export of table '" << operands[1] << "' is incomplete: "
                  << result.skippedPages << " damaged page(s) skipped\n";
        return 1;
    }
    return 0;
}

int info(const std::vector<std::string>& args) {
    if (args.size() != 1)
        return usage();
    const auto db = jet::Database::open(args[0], databasePassword);
    const auto& h = db->header();
    std::cout << "format: " << jet::versionName(h.format.version) << (h.format.workgroup ? " workgroup" : "") << '\n'
              << "page size: " << h.format.pageSize << '\n'
              << "code page: " << h.codePage << '\n'
              << "sort order: " << h.sortOrder << " (" << jet::sortOrderName(h.sortOrder, h.sortOrderVersion) << ")\n"
              << "password: " << (db->encrypted() ? "yes (the file is encrypted with it)" : h.passwordSet ? "yes" : "no")
              << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    if (argc == 2 && asksVersion(argv[1]))
        return printVersion("ravelin-jet");
    jet::setNoticeHandler([](const std::string& text) { std::cerr << "ravelin-jet: warning: " << text << '\n'; });
    int first = 1;
    std::string passwordFile;
    if (argc >= 3 && std::string_view(argv[1]) == "--password-file") {
        passwordFile = argv[2];
        first = 3;
    }
    if (argc <= first)
        return usage();
    const std::string command = argv[first];
    const std::vector<std::string> args(argv + first + 1, argv + argc);
    try {
        databasePassword = toolPassword(passwordFile);
        if (command == "tables")
            return tables(args);
        if (command == "export")
            return exportTable(args);
        if (command == "info")
            return info(args);
        if (command == "check")
            return args.size() == 1 ? checkFile(args[0], databasePassword) : usage();
        if (command == "create") {
            if (args.size() != 1)
                return usage();
            jet::createEmptyDatabase(args[0]);
            return 0;
        }
        if (command == "compact") {
            if (args.empty() || args.size() > 2)
                return usage();
            const std::string& dest = args.back();
            const jet::CompactResult copied =
                args.size() == 2 ? jet::compactDatabase(args[0], dest, {databasePassword, {}})
                                 : jet::compactInPlace(dest, {databasePassword, {}});
            std::cout << copied.tables << " tables, " << copied.rows << " rows, " << copied.queries
                      << " queries copied into " << dest << '\n';
            tellLeftOut(copied);
            return copied.leftOut.empty() ? 0 : 1;
        }
        if (command == "repair")
            return args.size() == 2 ? repair(args[0], args[1]) : usage();
        if (command == "insert" || command == "update" || command == "delete" || command == "import") {
            const int status = command == "insert"   ? ravelin::insertCommand(args)
                               : command == "update" ? ravelin::updateCommand(args)
                               : command == "import" ? ravelin::importCommand(args)
                                                     : ravelin::deleteCommand(args);
            return status == 2 ? usage() : status;
        }
        return usage();
    } catch (const jet::Error& e) {
        std::cout.flush();
        std::cerr << "ravelin-jet: " << e.description() << " (error " << e.number() << ")\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "ravelin-jet: " << e.what() << '\n';
        return 1;
    }
}
