#include "cli/command_diff.h"

#include <cstdio>

#include "cli/cli_session.h"
#include "cli/console.h"
#include "core/check/page_diff.h"
#include "core/watch/watch_list.h"
#include "platform/code_page_converter.h"
#include "platform/text_codec.h"

std::optional<WatchItem> ReadListItem(const std::string& homeArgument, int position, int& status) {
  CCliSession session;
  status = session.Open(homeArgument, CCliSession::Access::Read);
  if (status != 0) return std::nullopt;
  CWatchList list;
  list.Load();
  if (position < 0 || position >= list.GetCount()) {
    PrintLine("pagewarden-cli: " + std::to_string(position + 1) + " 番目のアイテムはありません", stderr);
    status = 2;
    return std::nullopt;
  }
  return list.GetItem(position);
}

int RunDiffCommand(const std::string& homeArgument, int position, bool colour) {
  int status = 0;
  std::optional<WatchItem> item = ReadListItem(homeArgument, position, status);
  if (!item) return status;
  platform::CCodePageConverter converter;
  PageChange change = LoadPageChange(*item, &converter);
  if (change.status != PageChange::kShown) {
    PrintLine(PageChangeProblem(change), stderr);
    return 1;
  }
  std::string text = platform::Cp932ToUtf8(FormatUnifiedDiff(change, colour));
  std::fwrite(text.data(), 1, text.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
