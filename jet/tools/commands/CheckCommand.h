#pragma once
// ravelin-jet check FILE: one line per inconsistency found in FILE on
// stdout ("TABLE: page N: PROBLEM"); exit status 0 for a sound file, 1 when
// something was found.
#include <string>

// `password` opens an encrypted file.
int checkFile(const std::string& path, const std::string& password);
