#pragma once
// The password an encrypted database is read with, for the command-line
// tools: the first line of the file named by --password-file (a CR before
// the line end dropped), or else RAVELIN_JET_PASSWORD from the environment;
// never an argument, which other users could see with ps.
#include "jet/Error.h"

#include <cstdlib>
#include <fstream>
#include <string>

// `passwordFile` empty: the environment's password, or none.
inline std::string toolPassword(const std::string& passwordFile) {
    std::string password;
    if (!passwordFile.empty()) {
        std::ifstream in(passwordFile, std::ios::binary);
        if (!in || !std::getline(in, password))
            throw jet::Error(jet::FileNotFound, "Could not read the password file '" + passwordFile + "'.");
        if (!password.empty() && password.back() == '\r')
            password.pop_back();
    } else if (const char* fromEnvironment = std::getenv("RAVELIN_JET_PASSWORD")) {
        password = fromEnvironment;
    }
    return password;
}
