#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "memo/MemoPackage.h"

namespace memo {

// Package files are named after their URL and end in this extension.
inline constexpr std::string_view kPackageExtension = ".ame";
// The longest file name (in bytes) the file systems we run on accept.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The URL under which a document's memos are kept: without its fragment (an in-page anchor
// shows the same document), and when the first "index" starts no more than 10 characters
// before the end, cut just before it ("/docs/index.html" and "/docs/" share one package).
// The layer, the cache, the memo pane and the share client all key packages by it.
std::string normalize_url(std::string_view url);

// The key of the same URL in files written before fragments were dropped (the "index" cut
// alone); equal to normalize_url for a URL without a fragment.
std::string fragment_kept_key(std::string_view url);

// The URL with \ / : ? * < > | written as "%5C" "%2F" "%3A" "%3F" "%2A" "%3C" "%3E" "%7C";
// every other byte stays, except NUL, which no file name can hold and becomes "%00".
std::string escape_url_for_file(std::string_view url);

// The file name (no folder) of the package of a normalised URL: the escaped URL and ".ame".
// A name longer than kMaxFileNameBytes is cut and completed with "~", 16 hex digits of a hash
// of the whole URL and ".ame", so it fits, stays the same from run to run and differs from the
// name of any other long URL.
std::string package_file_name(std::string_view normalized_url);

// 64-bit FNV-1a: stable across runs and builds, unlike std::hash.
std::uint64_t stable_hash(std::string_view bytes);

// True when the name ends in ".ame", compared without case.
bool has_package_extension(std::string_view file_name);

// Reads a whole file. Missing: the file does not exist; Unreadable: it exists but could not be
// read (permissions, an I/O error, a folder in its place).
enum class FileRead { Ok, Missing, Unreadable };
FileRead read_whole_file(const std::filesystem::path& path, std::string& bytes);

// Writes the package beside its file and renames it over the old one. Throws rs2::IOException.
void write_package_file(const MemoPackage& package, const std::filesystem::path& path);

} // namespace memo
