// The link folder as the user names it: the text of the folder edit, the folder the link
// update starts in, and the file names the user gives to links.
#pragma once

#include <string>

// The text without trailing blanks and separators ("/" alone stays).
std::string TrimFolderText(const std::string& text);

// The folder the link update starts in for the stored one: the stored default "c:" (a
// drive that this platform has not) and an empty text stand for the user's home folder.
std::string StartingLinkFolder(const std::string& stored);

// The folder edit's commit: trims `text`; when it equals `current` nothing changes
// (changed false, 0). Otherwise changed is true and the result is CheckFolder's: 0 with
// the trimmed folder in `text`, or 1 to 5 with the message in `text`.
int CommitFolderText(std::string& text, const std::string& current, bool& changed);

// A file name for a link, relative to `folder`: 1 a file of that name exists, 0 the name
// can be used (a file of that name could be made; it is removed again), -1 unusable.
int CheckLinkFileName(const std::string& folder, const std::string& name);
