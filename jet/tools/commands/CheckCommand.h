#pragma once
// ravelin-jet check FILE: one line per inconsistency found in FILE on
// stdout ("TABLE: page N: PROBLEM"); exit status 0 for a sound file, 1 when
// something was found.
#include <string>

int checkFile(const std::string& path);
