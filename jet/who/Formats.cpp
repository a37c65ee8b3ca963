#include "jet/who/Formats.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace jet::who {

namespace {

std::vector<std::string> rowOf(const User& u, bool samba) {
    std::vector<std::string> row{std::to_string(u.slot), u.computer, u.security, u.connected ? "yes" : "no",
                                 u.suspect ? "yes" : "no", u.person, u.contact, u.email};
    if (samba) {
        const SmbSession none;
        const SmbSession& s = u.smb ? *u.smb : none;
        row.insert(row.end(), {s.account, s.machine, s.address});
    }
    for (std::string& field : row)
        field = printable(field);
    return row;
}

// Display width of UTF-8 text: one column per code point.
std::size_t widthOf(const std::string& s) {
    return static_cast<std::size_t>(std::ranges::count_if(s, [](char c) { return (c & 0xC0) != 0x80; }));
}

void appendCsvText(std::string& line, const std::string& text) {
    line += '"';
    for (char c : text) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

}  // namespace

std::string printable(const std::string& text) {
    std::string s = text;
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return s;
}

void writeTable(std::ostream& out, const std::vector<DatabaseUsers>& databases, bool samba) {
    std::vector<std::string> heading{"SLOT", "COMPUTER", "SECURITY", "CONNECTED", "SUSPECT", "PERSON", "CONTACT", "E-MAIL"};
    if (samba)
        heading.insert(heading.end(), {"SMB ACCOUNT", "SMB MACHINE", "SMB ADDRESS"});
    bool first = true;
    for (const DatabaseUsers& db : databases) {
        if (!first)
            out << '\n';
        first = false;
        out << printable(db.path) << ":";
        if (!db.error.empty()) {
            out << " cannot be read: " << printable(db.error) << '\n';
            continue;
        }
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
                for (const std::string SmbSession::*f : {&SmbSession::account, &SmbSession::machine, &SmbSession::address}) {
                    line += ',';
                    if (u.smb)
                        appendCsvText(line, (*u.smb).*f);
                }
            }
            out << line << "\r\n";
        }
    }
}

std::string jsonString(const std::string& text) {
    std::string s = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': s += "\\\""; break;
        case '\\': s += "\\\\"; break;
        case '\n': s += "\\n"; break;
        case '\r': s += "\\r"; break;
        case '\t': s += "\\t"; break;
        default:
            if (c < 0x20) {
                std::array<char, 8> buf{};
                std::snprintf(buf.data(), buf.size(), "\\u%04x", c);
                s += buf.data();
            } else {
                s += static_cast<char>(c);
            }
        }
    }
    return s + '"';
}

void writeJson(std::ostream& out, const std::vector<DatabaseUsers>& databases, bool samba) {
    out << '[';
    for (std::size_t d = 0; d < databases.size(); ++d) {
        const DatabaseUsers& db = databases[d];
        out << (d ? ",\n " : "\n ") << "{\"database\": " << jsonString(db.path)
            << ", \"error\": " << (db.error.empty() ? "null" : jsonString(db.error)) << ", \"users\": [";
        for (std::size_t i = 0; i < db.users.size(); ++i) {
            const User& u = db.users[i];
            out << (i ? ",\n  " : "\n  ") << "{\"slot\": " << u.slot << ", \"computer\": " << jsonString(u.computer)
                << ", \"security\": " << jsonString(u.security) << ", \"connected\": " << (u.connected ? "true" : "false")
                << ", \"suspect\": " << (u.suspect ? "true" : "false") << ", \"person\": " << jsonString(u.person)
                << ", \"contact\": " << jsonString(u.contact) << ", \"email\": " << jsonString(u.email);
            if (samba) {
                if (u.smb)
                    out << ", \"smb\": {\"account\": " << jsonString(u.smb->account)
                        << ", \"machine\": " << jsonString(u.smb->machine)
                        << ", \"address\": " << jsonString(u.smb->address) << '}';
                else
                    out << ", \"smb\": null";
            }
            out << '}';
        }
        out << (db.users.empty() ? "]}" : "\n ]}");
    }
    out << (databases.empty() ? "]\n" : "\n]\n");
}

}  // namespace jet::who
