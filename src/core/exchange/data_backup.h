// The whole data folder as one archive (tar, gzip-compressed, with libarchive): the list,
// the settings, the page copies, the kept versions and the feed, to move to another
// machine or to keep. Backing up while a program works on the folder is safe: every
// file there is saved by renaming a complete temporary file over it, so each file read
// whole is one consistent version, and the temporary files themselves are left out. When
// no program works on the folder, the backup holds the folder's lock so that none starts
// meanwhile.
//
// Restoring never writes outside the folder and never loses what was there: the archive
// is unpacked beside the folder first (refused whole for an absolute path, "..", a link
// leaving the folder, a device or a file larger than the limit), and only then does it
// take the folder's place, the old folder kept under a dated name.
//
// Plain functions; the calling thread.
#pragma once

#include <cstdint>
#include <string>

struct BackupResult {
  std::string error;  // empty on success
  int files = 0;
};
// Writes the archive of `folder` (CP932 paths) to `archivePath`, atomically.
BackupResult BackUpDataFolder(const std::string& folder, const std::string& archivePath);

struct RestoreResult {
  std::string error;     // empty on success
  bool refused = false;  // the archive or the folder was refused (not a failure to read or write)
  bool holdsList = false;  // refused: the folder holds a list and `force` was not given
  int files = 0;
  std::string keptAs;    // where the old folder was kept, when there was one
};
// Restores the archive into `folder`. A folder that holds a watch list is replaced only
// with `force`. `maxFileBytes`: the largest file accepted.
RestoreResult RestoreDataFolder(const std::string& archivePath, const std::string& folder,
                                bool force, std::int64_t maxFileBytes);
