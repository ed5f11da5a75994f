// Reading a file of pages to watch into items: urlwatch's job file (several YAML
// documents), a plain list (one URL a line, tags after it, "#" comments) or this
// program's own JSON export. The entry of the import: the command line and the desktop's
// import dialog read the file here and add the ready jobs to the list themselves.
// Plain functions on text (UTF-8 as the files hold it; the items get CP932); any thread.
#pragma once

#include <optional>
#include <string>

#include "core/exchange/imported_job.h"

enum class ImportFormat { Guess, Urlwatch, List, Json };

// "urlwatch", "list" or "json"; nothing for another name.
std::optional<ImportFormat> ImportFormatNamed(const std::string& name);

struct ImportOptions {
  ImportFormat format = ImportFormat::Guess;
  std::string fileName;  // helps guess the format by its extension
  int newItemActive = 1;  // Actv of a new item (a JSON export keeps its own)
};

// Reads every job of `text`. A job that cannot be understood is refused and the others
// are read all the same; a file that cannot be parsed at all gives parsed == false.
ImportReading ReadImport(const std::string& text, const ImportOptions& options);

// The whole file at `path` (CP932); false when it cannot be read.
bool ReadImportFile(const std::string& path, std::string& text);

// One job of a plain list or a urlwatch file starts as a new item of the URL; false (with
// the job refused) for a URL the program cannot fetch.
bool StartImportedItem(ImportedJob& job, const std::string& utf8Url, int active);
