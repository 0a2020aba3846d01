#pragma once
// Testing for a file and taking paths apart.

#include <string>
#include <string_view>

#include "util/platform.h"

namespace penwick {

// True when the directory search finds an ordinary file for the path (wildcards allowed).
// Never fails: a search that fails answers false.
bool FileExists(const Platform& platform, std::u16string_view path);

// Trims the caller's text of outer spaces in place; the result is the trimmed text with the
// suffix appended unless its last character already equals the suffix.
std::u16string EnsureTrailingChar(std::u16string& text, std::u16string_view suffix);

// How a platform separates folders: Windows by "\" (and a drive's ":"), POSIX by "/" alone,
// where ":" and "\" are ordinary characters of a file name.
enum class PathStyle { Windows, Posix };

// Windows: the text before the last "\" (or up to and including a later ":"); empty when
// there is neither. POSIX: the text before the last "/" ("/" for a file in the root folder).
std::u16string FolderOfPath(std::u16string_view path, PathStyle style = PathStyle::Windows);

// The text after the last ":", "\" or "/"; empty when there is none.
std::u16string FileNameOfPath(std::u16string_view path);

// The settings section a database's remembered credentials are kept under: the file name of
// a database file (FileNameOfPath), and the database name of a server's
// postgresql://host/NAME?options URI (percent-decoded; empty when the URI names none).
std::u16string SettingsSectionOf(std::u16string_view databasePath);

}  // namespace penwick
