// The update options page's rules: download mode and file, showing the page, popping the
// program up, the sound with its file, the notification mail and the file or URL to run;
// what the page shows of the item when first shown in a run, which fields are enabled,
// and what OK writes back. Nothing reaches the item before OK.
//
// Threads: UI thread only; the test send blocks it in the mail job's dialogs.
#pragma once

#include <string>

#include "core/watch/item_codes.h"

struct AppSettings;
struct WatchItem;
class IMailDialogHost;
class IPrompter;

inline constexpr const char* kStandardSound = "notify.wav";
inline constexpr const char* kTestAgainInSettings =
    "サーバー設定時と状況が変わったのかもしれません。\n「環境設定」でテストされることをお勧めします。";

// The file dialogs' titles and filters.
inline constexpr const char* kSoundFileTitle = "サウンドファイルを選択";
inline constexpr const char* kSoundFileFilter =
    "サウンドファイル(*.wav)|*.wav|すべてのファイル(*.*)|*.*||";
inline constexpr const char* kSaveFileTitle = "ダウンロードデータを保存するファイルを選択";
inline constexpr const char* kExecFileTitle = "ページ更新時に実行するファイルを選択";
inline constexpr const char* kAllFilesFilter = "すべてのファイル(*.*)|*.*||";

class CUpdateOptionsForm {
 public:
  enum Sound : int { kNoSound = 0, kStandard, kSoundFile };

  struct Fields {
    // "ダウンロードしない", "重ね書き", "新しいファイル"
    DownloadMode download = DownloadMode::PrivateCopy;
    std::string saveFile;
    bool showPage = false;
    bool popUp = false;
    int sound = kNoSound;
    std::string soundFile;
    bool mail = false;
    std::string mailTo;
    std::string subject;
    std::string body;
    std::string exec;
    bool notify = false;     // "通知先に送る"
    std::string notifyUrls;  // the item's own addresses, one a line; empty: the program's
  };
  struct Enabling {
    bool soundFile = false;
    bool soundBrowse = true;  // the two buttons start as the page was drawn
    bool preview = true;
    bool mailFields = false;  // recipient, subject, body and "テスト送信"
    bool notifyAddresses = false;  // the item's own list of addresses
  };

  // Before the page is shown: the save file and the two check boxes.
  void SetItem(const WatchItem& item);
  // The first activation of a run: the rest of the fields.
  void Load(const WatchItem& item);

  Fields& Values() { return m_fields; }
  const Fields& Values() const { return m_fields; }
  Enabling Enabled() const { return m_enabled; }

  // A new choice in the sound list; "標準音" puts the standard sound into the file field.
  void ChooseSound(int sound);
  // The mail check box was clicked.
  void ToggleMail();
  // The "通知先に送る" check box was clicked.
  void ToggleNotify();

  // "試聴": the file to play, the standard sound (where the program's shipped files are)
  // for an empty field; another name without a folder is looked for in the program folder.
  std::string SoundToPlay() const;
  // "テスト送信" with the mail settings of `settings`: the mail job's test with its own
  // messages, then the advice to test in the settings when it failed. The job's result.
  int TestSend(const AppSettings& settings, IMailDialogHost& host, IPrompter& prompter) const;

  // OK: the fields into the item.
  void Store(WatchItem& item) const;

 private:
  Fields m_fields;
  Enabling m_enabled;
};

// An MFC-style filter ("text|pattern|...||") as a wx wildcard ("text|pattern|..."); the
// pattern "*.*" of all files becomes "*", which also matches names without a dot.
std::string FilterToWildcard(const std::string& filter);
