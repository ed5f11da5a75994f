#include "cli/command_exchange.h"

#include <algorithm>

#include "cli/command_items.h"
#include "cli/console.h"
#include "cli/usage_mistake.h"
#include "core/app/env_settings.h"
#include "core/app/settings_archive.h"
#include "core/exchange/data_backup.h"
#include "core/exchange/import_reader.h"
#include "core/exchange/item_document.h"
#include "core/exchange/list_export.h"
#include "core/fetch/fetch.h"
#include "core/watch/item_tags.h"
#include "core/watch/watch_list.h"
#include "platform/program_folder.h"
#include "platform/text_codec.h"

namespace {

constexpr int kUnreadableFile = 2;

// The arguments of a command: the words that are not options, and the options with their
// values ("" for a flag).
struct Arguments {
  std::vector<std::string> words;
  std::vector<std::pair<std::string, std::string>> options;
  std::string mistake;

  bool Has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(), [&name](const auto& option) { return option.first == name; });
  }
  std::string Value(const std::string& name, const std::string& absent = "") const {
    for (const auto& [option, value] : options) {
      if (option == name) return value;
    }
    return absent;
  }
};

Arguments ReadArguments(const std::vector<std::string>& args, const std::vector<std::string>& valued) {
  Arguments read;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].rfind("--", 0) != 0) {
      read.words.push_back(args[i]);
      continue;
    }
    bool takesValue = std::find(valued.begin(), valued.end(), args[i]) != valued.end();
    if (takesValue && (i + 1 >= args.size() || args[i + 1].empty())) {
      read.mistake = args[i] + " に値がありません";
      return read;
    }
    std::string option = args[i];
    read.options.emplace_back(option, takesValue ? args[++i] : "");
  }
  return read;
}

// The URLs of the data folder's list, to skip what it has already.
std::vector<std::string> ListUrls(const std::string& home) {
  platform::SetProgramFolder(platform::ResolveProgramFolder(home));
  CWatchList list;
  list.Load();
  std::vector<std::string> urls;
  for (int i = 0; i < list.GetCount(); ++i) urls.push_back(list.GetItemPtr(i)->m_url);
  return urls;
}

int RunImport(const std::string& home, const std::vector<std::string>& args) {
  Arguments read = ReadArguments(args, {"--format"});
  if (!read.mistake.empty()) return UsageMistake(read.mistake);
  if (read.words.size() != 1) return UsageMistake("import にはファイルを一つ指定します");
  ImportOptions options;
  options.fileName = read.words[0];
  if (std::string name = read.Value("--format"); !name.empty()) {
    std::optional<ImportFormat> format = ImportFormatNamed(name);
    if (!format) return UsageMistake("--format は urlwatch, list, json のどれかです: " + name);
    options.format = *format;
  }
  std::string text;
  if (!ReadImportFile(read.words[0], text)) {
    PrintLine("pagewarden-cli: ファイルを読めません: " + read.words[0], stderr);
    return kUnreadableFile;
  }
  ImportReading reading = ReadImport(text, options);
  if (!reading.parsed) {
    PrintLine("pagewarden-cli: " + read.words[0] + ": " + reading.error, stderr);
    return kUnreadableFile;
  }
  SkipDuplicates(reading.jobs, ListUrls(home), read.Has("--duplicates"));

  std::vector<ListChange> changes;
  for (const ImportedJob& job : reading.jobs) {
    if (job.outcome != ImportedJob::Outcome::Ready) continue;
    ListChange change;
    change.kind = ListChange::Kind::Add;
    change.item = job.item;
    changes.push_back(std::move(change));
  }
  std::vector<ListAnswer> answers;
  if (!read.Has("--dry-run") && !changes.empty()) {
    answers = MakeListChanges(home, changes);
    if (answers.empty()) return 1;
  }
  std::size_t next = 0;
  for (ImportedJob& job : reading.jobs) {
    int number = 0;
    if (job.outcome == ImportedJob::Outcome::Ready && next < answers.size()) {
      const ListAnswer& answer = answers[next++];
      if (answer.status == ListAnswer::kDone) {
        number = std::atoi(answer.text.c_str());
      } else {
        job.outcome = ImportedJob::Outcome::Refused;
        job.reason = answer.text;
      }
    }
    PrintLine(ImportReportLine(job, number));
  }
  return AnyRefused(reading.jobs) ? 1 : 0;
}

int RunExport(const std::string& home, const std::vector<std::string>& args) {
  Arguments read = ReadArguments(args, {"--format", "--tag"});
  if (!read.mistake.empty()) return UsageMistake(read.mistake);
  if (!read.words.empty()) return UsageMistake("export には引数がありません: " + read.words[0]);
  std::string format = read.Value("--format", "json");
  if (format != "json" && format != "urlwatch" && format != "list") {
    return UsageMistake("--format は json, urlwatch, list のどれかです: " + format);
  }
  platform::SetProgramFolder(platform::ResolveProgramFolder(home));
  CWatchList list;
  list.Load();
  std::string tag = read.Value("--tag");
  std::vector<WatchItem> items;
  std::vector<int> positions;
  for (int i = 0; i < list.GetCount(); ++i) {
    if (!HasTag(*list.GetItemPtr(i), tag)) continue;
    items.push_back(list.GetItem(i));
    positions.push_back(i);
  }
  std::string text = format == "json"       ? ItemDocumentsText(items, positions)
                     : format == "urlwatch" ? UrlwatchJobsText(items)
                                            : PlainListText(items);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int RunBackup(const std::string& home, const std::vector<std::string>& args) {
  Arguments read = ReadArguments(args, {});
  if (!read.mistake.empty()) return UsageMistake(read.mistake);
  if (read.words.size() != 1) return UsageMistake("backup にはアーカイブのファイルを一つ指定します");
  std::string folder = platform::ResolveProgramFolder(home);
  BackupResult result = BackUpDataFolder(folder, read.words[0]);
  if (!result.error.empty()) {
    PrintLine("pagewarden-cli: " + result.error, stderr);
    return 1;
  }
  PrintLine(read.words[0] + ": " + std::to_string(result.files) + " 個のファイル");
  return 0;
}

// The largest file a restore accepts: the page size limit of the folder restored into (its
// settings as they are, or the defaults of a new folder); with no limit, the largest
// limit that can be set.
std::int64_t LargestPage(const std::string& folder) {
  platform::SetProgramFolder(folder);
  AppSettings settings;
  MainWindowLayout mainWindow;
  WatchListWindowLayout watchListWindow;
  LoadSettingsFile(SettingsArchivePath(), settings, mainWindow, watchListWindow);
  std::int64_t limit = PageSizeLimitBytes(settings);
  return limit > 0 ? limit : static_cast<std::int64_t>(kMaxPageSizeLimitMiB) << 20;
}

int RunRestore(const std::string& home, const std::vector<std::string>& args) {
  Arguments read = ReadArguments(args, {"--home"});
  if (!read.mistake.empty()) return UsageMistake(read.mistake);
  if (read.words.size() != 1) return UsageMistake("restore にはアーカイブのファイルを一つ指定します");
  std::string folder = platform::ResolveProgramFolder(read.Value("--home", home));
  RestoreResult result = RestoreDataFolder(read.words[0], folder, read.Has("--force"), LargestPage(folder));
  if (!result.error.empty()) {
    PrintLine("pagewarden-cli: " + result.error, stderr);
    return result.refused ? 2 : 1;
  }
  if (!result.keptAs.empty()) PrintLine("元のデータフォルダは " + result.keptAs + " に残しました");
  PrintLine(folder + ": " + std::to_string(result.files) + " 個のファイルを復元しました");
  return 0;
}

}  // namespace

bool IsExchangeCommand(const std::string& command) {
  return command == "import" || command == "export" || command == "backup" || command == "restore";
}

int RunExchangeCommand(const std::string& home, const std::string& command,
                       const std::vector<std::string>& args) {
  if (command == "import") return RunImport(home, args);
  if (command == "export") return RunExport(home, args);
  if (command == "backup") return RunBackup(home, args);
  return RunRestore(home, args);
}

const std::vector<const char*>& ExchangeCommandsUsage() {
  static const std::vector<const char*> lines = {
      "  import ファイル [--format urlwatch|list|json] [--dry-run] [--duplicates]",
      "               urlwatch のジョブ, URL の一覧 (URL とタグ, # はコメント) または export の",
      "               JSON からアイテムを追加し, ジョブごとに 追加, スキップ, 拒否 を表示します",
      "               (拒否があれば終了コード 1, 読めないファイルは 2)",
      "               --dry-run: 何も追加しません --duplicates: 同じ URL があっても追加します",
      "  export [--format json|urlwatch|list] [--tag タグ]",
      "               アイテムを標準出力に書き出します (json は全項目)",
      "  backup ファイル.tar.gz",
      "               データフォルダ全体を一つのアーカイブに保存します",
      "  restore ファイル.tar.gz [--home フォルダ] [--force]",
      "               アーカイブをデータフォルダに復元します",
      "               --force: リストのあるフォルダも復元し, 元のフォルダは日付の名前で残します",
  };
  return lines;
}
