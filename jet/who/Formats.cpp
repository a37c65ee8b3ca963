#include "jet/who/Formats.h"

#include "jet/lockfile/LockFile.h"
#include "jet/who/Text.h"

#include <algorithm>

namespace jet::who {

namespace {

// The SMB account as the table and CSV show it: the account, or every
// candidate when the lock could be any of theirs.
std::string accountOf(const SmbSession& s) {
    if (!s.ambiguous())
        return s.account;
    std::string text = "ambiguous:";
    for (const std::string& c : s.candidates)
        text += (text.back() == ':' ? " " : ", ") + c;
    return text;
}

std::vector<std::string> rowOf(const User& u, bool samba) {
    std::vector<std::string> row{std::to_string(u.slot), u.computer, u.security, u.connected ? "yes" : "no",
                                 u.suspect ? "yes" : "no", u.person, u.contact, u.email};
    if (samba) {
        const SmbSession none;
        const SmbSession& s = u.smb ? *u.smb : none;
        row.insert(row.end(), {accountOf(s), s.machine, s.address});
    }
    for (std::string& field : row)
        field = printable(field);
    return row;
}

// Display width of UTF-8 text: one column per code point.
std::size_t widthOf(const std::string& s) {
    return static_cast<std::size_t>(std::ranges::count_if(s, [](char c) { return (c & 0xC0) != 0x80; }));
}

void appendCsvText(std::string& line, const std::string& raw) {
    line += '"';
    for (char c : printable(raw)) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

}  // namespace

void writeTable(std::ostream& out, const std::vector<DatabaseUsers>& databases, bool samba) {
    std::vector<std::string> heading{"SLOT", "COMPUTER", "SECURITY", "CONNECTED", "SUSPECT", "PERSON", "CONTACT", "E-MAIL"};
    if (samba)
        heading.insert(heading.end(), {"SMB ACCOUNT", "SMB MACHINE", "SMB ADDRESS"});
    bool first = true;
    for (const DatabaseUsers& db : databases) {
        if (!first)
            out << '\n';
        first = false;
        out << printable(db.path);
        if (!db.lockFile.empty() && db.lockFile != lockFilePathFor(db.path))
            out << " (lock file " << printable(db.lockFile) << ")";
        out << ":";
        if (!db.error.empty()) {
            out << " cannot be read: " << printable(db.error) << '\n';
            continue;
        }
        if (!db.warning.empty())
            out << " " << printable(db.warning) << (db.users.empty() ? "" : ":");
        if (db.users.empty()) {
            out << " no users\n";
            continue;
        }
        out << '\n';
        std::vector<std::vector<std::string>> rows{heading};
        for (const User& u : db.users)
            rows.push_back(rowOf(u, samba));
        std::vector<std::size_t> widths(heading.size(), 0);
        for (const auto& row : rows)
            for (std::size_t i = 0; i < row.size(); ++i)
                widths[i] = std::max(widths[i], widthOf(row[i]));
        for (const auto& row : rows) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i) {
                line += row[i];
                if (i + 1 < row.size())
                    line.append(widths[i] - widthOf(row[i]) + 2, ' ');
            }
            line.erase(line.find_last_not_of(' ') + 1);
            out << line << '\n';
        }
    }
}

void writeCsv(std::ostream& out, const std::vector<DatabaseUsers>& databases, bool samba) {
    std::string header = "\"database\",\"slot\",\"computer\",\"security\",\"connected\",\"suspect\","
                         "\"person\",\"contact\",\"email\"";
    if (samba)
        header += ",\"smb_account\",\"smb_machine\",\"smb_address\"";
    out << header << "\r\n";
    for (const DatabaseUsers& db : databases) {
        for (const User& u : db.users) {
            std::string line;
            appendCsvText(line, db.path);
            line += ',' + std::to_string(u.slot) + ',';
            appendCsvText(line, u.computer);
            line += ',';
            appendCsvText(line, u.security);
            line += u.connected ? ",1," : ",0,";
            line += u.suspect ? "1," : "0,";
            for (const std::string* t : {&u.person, &u.contact, &u.email}) {
                appendCsvText(line, *t);
                line += ',';
            }
            line.pop_back();
            if (samba) {
                if (u.smb)
                    for (const std::string& f : {accountOf(*u.smb), u.smb->machine, u.smb->address}) {
                        line += ',';
                        appendCsvText(line, f);
                    }
                else
                    line += ",,,";
            }
            out << line << "\r\n";
        }
    }
}

namespace {

std::string jsonText(const std::string& raw) { return raw.empty() ? "null" : quotedPrintable(raw); }

}  // namespace

void writeJson(std::ostream& out, const std::vector<DatabaseUsers>& databases, bool samba) {
    out << '[';
    for (std::size_t d = 0; d < databases.size(); ++d) {
        const DatabaseUsers& db = databases[d];
        out << (d ? ",\n " : "\n ") << "{\"database\": " << quotedPrintable(db.path)
            << ", \"lock_file\": " << jsonText(db.lockFile) << ", \"error\": " << jsonText(db.error)
            << ", \"warning\": " << jsonText(db.warning) << ", \"users\": [";
        for (std::size_t i = 0; i < db.users.size(); ++i) {
            const User& u = db.users[i];
            out << (i ? ",\n  " : "\n  ") << "{\"slot\": " << u.slot
                << ", \"computer\": " << quotedPrintable(u.computer) << ", \"security\": " << quotedPrintable(u.security)
                << ", \"connected\": " << (u.connected ? "true" : "false")
                << ", \"suspect\": " << (u.suspect ? "true" : "false") << ", \"person\": " << quotedPrintable(u.person)
                << ", \"contact\": " << quotedPrintable(u.contact) << ", \"email\": " << quotedPrintable(u.email);
            if (samba) {
                if (u.smb) {
                    out << ", \"smb\": {\"account\": " << jsonText(u.smb->account)
                        << ", \"machine\": " << quotedPrintable(u.smb->machine)
                        << ", \"address\": " << quotedPrintable(u.smb->address)
                        << ", \"ambiguous\": " << (u.smb->ambiguous() ? "true" : "false") << ", \"candidates\": [";
                    for (std::size_t c = 0; c < u.smb->candidates.size(); ++c)
                        out << (c ? ", " : "") << quotedPrintable(u.smb->candidates[c]);
                    out << "]}";
                } else
                    out << ", \"smb\": null";
            }
            out << '}';
        }
        out << (db.users.empty() ? "]}" : "\n ]}");
    }
    out << (databases.empty() ? "]\n" : "\n]\n");
}

}  // namespace jet::who
