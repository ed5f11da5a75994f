// This program's side of the conventions it shares with its companion programs, the
// helper Grabmate (shows pages with every setting of a fetch request) and the downloader
// Linkreel: the values it writes and reads in the per-user value store, the messages it
// broadcasts, starting the companions, and taking the requests they leave for it.
//
// Threads: the menu commands and TakeHelperRequest run on the UI thread; HandToHelper and
// everything it calls run on the display hand-off worker. The object keeps no state of
// its own besides the key pointers, so both may use it at once (the value store is the
// only thing shared, and each value is written atomically).
// Owns nothing: the keys and the prompter belong to the application object.
#pragma once

#include <optional>
#include <string>

#include "core/common/prompter.h"
#include "core/fetch/fetch_request.h"

namespace platform {
class CRegistryKey;
}

// What the display hand-off needs from the companion side.
class IHelperHandOff {
 public:
  virtual ~IHelperHandOff() = default;
  // Hands the request file at `path` to the helper: 0 handed over (the file stays for the
  // helper), 1 busy (keep the request and try later), -1 failed (delete the file).
  virtual int HandToHelper(const std::string& path) = 0;
};

class CCompanionLink : public IHelperHandOff {
 public:
  // Any key may be null or closed; the operations then behave as for a missing key.
  CCompanionLink(platform::CRegistryKey* ownKey, platform::CRegistryKey* helperKey,
                 platform::CRegistryKey* downloaderKey, platform::CRegistryKey* locationKey,
                 IPrompter& prompter);

  // Starts the helper from its "Position" folder (the program folder when that is empty):
  // 0 started, 1 failed.
  int LaunchHelper();
  // Starts the downloader from its "Position" folder (no fallback): 0 or 1.
  int LaunchDownloader();
  // The helper's "Version" with its first '.' removed, as a decimal number ("1.50": 150).
  int HelperVersion() const;

  // Leaves `path` as the request for the helper: 0 set, 1 busy (the previous request was
  // left less than a minute ago and has not been taken), -1 no usable own key (after the
  // message) or the value could not be written.
  int SetOwnIdentifier(const std::string& path);
  // Takes back the request left for the helper: 0 taken back into `request` (its file is
  // deleted), 1 nothing to take.
  int TakeBackOwnRequest(FetchRequest& request);
  // The helper's "Identifier", cleared in the store; empty when none is pending.
  std::string TakeHelperIdentifier();
  // Writes the location "URL" for the helper when it is empty: 0 written, 1 not written.
  int SetLocationUrl(const std::string& text);
  // Shows a file or address through the helper, starting it if need be, else with the
  // desktop's default program: 0 or -1.
  int ShowThroughHelper(const std::string& target);
  int HandToHelper(const std::string& path) override;

  // The "Linkreel" and "Grabmate" menu commands: start the companion when it is closed
  // (the not-installed message when that fails), then wake it.
  void DownloaderCommand();
  void HelperCommand();

  // A request the helper left for this program.
  enum class RequestTrigger { StartUp, Message };
  struct HelperRequest {
    bool showMainWindow = false;          // show the main window (ShowFromTray)
    std::optional<FetchRequest> request;  // open the sheet with a new item holding it
  };
  HelperRequest TakeHelperRequest(RequestTrigger trigger);

 private:
  std::string Value(platform::CRegistryKey* key, const char* name) const;

  platform::CRegistryKey* m_ownKey;
  platform::CRegistryKey* m_helperKey;
  platform::CRegistryKey* m_downloaderKey;
  platform::CRegistryKey* m_locationKey;
  IPrompter& m_prompter;
};
