// The link folder's list "lkr.hlk", opened as the link update opens it.
#include <sys/stat.h>

#include "core/common/app_settings.h"
#include "core/links/link_list.h"
#include "fuzz/fuzz_driver.h"

namespace {

// Answers every question with Cancel: nothing is ever written.
class CCancellingPrompter : public IPrompter {
 public:
  std::optional<Credentials> AskCredentials(const std::string&, std::uint32_t) override {
    return std::nullopt;
  }
  Answer ShowMessage(const std::string&, Buttons, Icon, const std::string&) override {
    return Answer::Cancel;
  }
};

}  // namespace

void FuzzOne(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = [] {
    std::string path = FuzzScratchFolder() + "/links";
    mkdir(path.c_str(), 0700);
    return path;
  }();
  WriteFuzzFile("links/lkr.hlk", data, size);
  CCancellingPrompter prompter;
  AppSettings settings;
  LinkListEnvironment environment;
  environment.m_prompter = &prompter;
  environment.m_settings = &settings;
  CLinkList list(environment);
  if (list.Open(folder, true) == 0) return;
  for (int i = 0; i < list.GetCount(); ++i) list.FilePath(i);
}
