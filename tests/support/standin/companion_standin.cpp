// A stand-in for the companion programs that honours their side of the conventions, for
// tests. Everything it does is appended to "record.txt" beside its executable path, one
// line per event, so that a test can follow it.
//
//   <folder>/Grabmate            the helper: writes its "Position", "Version" (the text of
//                                <folder>/version, default "1.50") and "State"; takes the
//                                request file named by Pagewarden's "Identifier" (at start
//                                and on "Pageward->grabHelper"), clears the value, deletes
//                                the file; takes the location "URL" (at start and on
//                                "Linkreel->grabHelper"). With a file <folder>/deaf it
//                                records messages but takes nothing.
//   <folder>/Linkreel            the downloader: writes "Position" and "State", records
//                                "grabHelper->Linkreel".
//   standin --opener RECORD [--fail] TARGET
//                                the desktop opener: appends "open TARGET" to RECORD and
//                                ends with 0 (1 with --fail).
//   standin --leave-request FOLDER URL [--notify]
//                                leaves a request for Pagewarden as the helper does:
//                                a request file in FOLDER named by the helper's
//                                "Identifier", then "grabHelper->Pageward" with --notify.
// Both companions end on the message "standin-quit", or after 30 seconds, writing "State"
// = "closed".
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "core/companion/companion_names.h"
#include "core/fetch/fetch_request.h"
#include "platform/broadcast.h"
#include "platform/file_system.h"
#include "platform/registry_key.h"
#include "platform/ui_queue.h"

namespace {

std::string g_record;

void Record(const std::string& line) {
  int descriptor = open(g_record.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (descriptor < 0) return;
  std::string text = line + "\n";
  ssize_t ignored = write(descriptor, text.data(), text.size());
  (void)ignored;
  close(descriptor);
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FileText(const std::string& path, const std::string& fallback) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return fallback;
  char buffer[64];
  std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
  std::fclose(file);
  std::string text(buffer, count);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

int RunOpener(int argc, char** argv) {
  if (argc < 4) return 2;
  g_record = argv[2];
  bool fail = std::string(argv[3]) == "--fail";
  Record(std::string("open ") + argv[argc - 1]);
  return fail ? 1 : 0;
}

int LeaveRequest(int argc, char** argv) {
  if (argc < 4) return 2;
  std::string folder = argv[2];
  FetchRequest request;
  request.m_url = argv[3];
  request.m_referer = "http://referer.example/";
  std::string path = folder + "/GrabToWatch";
  if (request.TransferFile(path, "w") != 1) return 1;
  platform::CRegistryKey helper(kHelperKeyPath, false);
  helper.Write("Identifier", path);
  if (argc > 4 && std::string(argv[4]) == "--notify") platform::Broadcast(kMessageHelperRequest);
  return 0;
}

class CStandIn {
 public:
  CStandIn(const std::string& folder, bool helper)
      : m_folder(folder),
        m_helper(helper),
        m_ownKey(kOwnKeyPath, false),
        m_key(helper ? kHelperKeyPath : kDownloaderKeyPath, false),
        m_locationKey(kLocationKeyPath, false) {}

  int Run() {
    m_key.Write("Position", m_folder);
    if (m_helper) m_key.Write("Version", FileText(m_folder + "/version", "1.50"));
    m_key.Write("State", "opened");
    {
      platform::CBroadcastReceiver receiver(
          m_queue, [this](const std::string& name) { OnMessage(name); },
          m_helper ? "grabmate" : "linkreel");
      if (!receiver.Listening()) {
        Record("no-socket");
        return 1;
      }
      if (m_helper) {
        TakeRequest();
        TakeLocation();
      }
      char cwd[4096] = "?";
      if (!getcwd(cwd, sizeof cwd)) cwd[0] = '?';
      Record("ready " + std::to_string(getpid()) + " in " + cwd);
      m_queue.Run(30000);
    }
    m_key.Write("State", "closed");
    Record("closed");
    return 0;
  }

 private:
  bool Deaf() const { return platform::FileExists(m_folder + "/deaf"); }

  void OnMessage(const std::string& name) {
    Record("message " + name);
    if (name == "standin-quit") {
      m_queue.Quit();
    } else if (m_helper && name == kMessageRequestForHelper) {
      TakeRequest();
    } else if (m_helper && name == kMessageWakeHelper) {
      TakeLocation();
    }
  }

  void TakeRequest() {
    std::string path = m_ownKey.Read("Identifier");
    if (path.empty() || Deaf()) return;
    FetchRequest request;
    int read = request.TransferFile(path, "r");
    m_ownKey.Write("Identifier", "");
    platform::RemoveFile(path);
    Record(read == 1 ? "request " + request.m_url + " from " + NameOf(path)
                     : "unreadable " + path);
  }

  void TakeLocation() {
    std::string url = m_locationKey.Read("URL");
    if (url.empty() || Deaf()) return;
    m_locationKey.Write("URL", "");
    Record("location " + url);
  }

  std::string m_folder;
  bool m_helper;
  platform::CRegistryKey m_ownKey;
  platform::CRegistryKey m_key;
  platform::CRegistryKey m_locationKey;
  platform::CLoopQueue m_queue;
};

}  // namespace

int main(int argc, char** argv) {
  std::string self = argv[0];
  if (argc > 1 && std::string(argv[1]) == "--opener") return RunOpener(argc, argv);
  if (argc > 1 && std::string(argv[1]) == "--leave-request") return LeaveRequest(argc, argv);
  std::string folder = FolderOf(self);
  g_record = folder + "/record.txt";
  return CStandIn(folder, NameOf(self) != kDownloaderExecutable).Run();
}
