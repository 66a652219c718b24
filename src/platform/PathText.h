// Lexical helpers for host paths and drive paths, shared inside the platform layer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qb::platform {

// Splits at every separator given, dropping empty pieces.
std::vector<std::string> SplitPath(std::string_view path, std::string_view separators);

// Cleans an absolute host path: repeated '/', "." and ".." folded (".." stops at "/").
std::string CleanHostPath(std::string_view path);

// Joins a host directory and one name.
std::string JoinHost(const std::string& dir, std::string_view name);

// True for "X:" at the start of the text, X a letter.
bool HasDriveLetter(std::string_view path);

}  // namespace qb::platform
