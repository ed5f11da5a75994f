// Paths, file names and URLs, on CP932 strings with '/' as the path separator. Every
// search for a separator is lead-byte aware. Safe to call from any thread.
#pragma once

#include <string>

// The program folder, without a trailing separator.
std::string ProgramFolder();

// 0 when `folder` names a usable folder; otherwise 1 to 4 with `folder` replaced by the
// message for the user (5, an offline folder, never occurs on this platform).
int CheckFolder(std::string& folder);

// The path itself when no file has it, else base + "_1", "_2", ... (+ extension).
std::string UniqueFileName(const std::string& path);
// The first name of that series that no file has, taken by creating it empty, so that
// threads looking for a name at once never get the same one. When no file can be created
// there at all, the path itself (the caller's own open then fails as it would have).
std::string CreateUniqueFile(const std::string& path);
// Renames `from` to the first name of that series that no file has; never replaces a
// file. The new name, or "" when the rename fails. With `next` the search starts at that
// number (0: the path itself) and leaves it at the number last tried, so that a caller
// moving many files into one series does not try every taken name again.
std::string RenameToUniqueName(const std::string& from, const std::string& path,
                               long long* next = nullptr);
// The path with a trailing "_" and digits removed from the file's base name.
std::string StripNumberSuffix(const std::string& path);
std::string ReplaceExtension(const std::string& path, const std::string& extension);

std::string AfterLast(const std::string& text, char ch);
std::string UpToLast(const std::string& text, char ch);

// Scheme and host of a URL ("http://host"), or empty when it holds no "://".
std::string UrlRoot(const std::string& url);
std::string ExtensionOf(const std::string& pathOrUrl);
