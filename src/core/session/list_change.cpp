#include "core/session/list_change.h"

#include <algorithm>
#include <cstring>

#include "core/watch/watch_list.h"

namespace {

constexpr const char* kKindNames[] = {"add", "set", "remove", "enable", "disable", "ack"};
constexpr const char* kEndOfHeader = "\tEND-C//";

std::string NumberText(int position) { return std::to_string(position + 1); }

ListAnswer Refuse(std::string text) { return {ListAnswer::kRefused, std::move(text)}; }

std::string MissingItem(int position, const CWatchList& list) {
  return "アイテム " + NumberText(position) + " はありません (アイテムの数: " +
         std::to_string(list.GetCount()) + ")";
}

// Reads one line without its line feed; false at the end of the file.
bool ReadLine(FILE* file, std::string& line) {
  line.clear();
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, file)) {
    line += buffer;
    if (!line.empty() && line.back() == '\n') {
      line.pop_back();
      return true;
    }
  }
  return !line.empty();
}

ListAnswer ApplySet(const ListChange& change, CWatchList& list) {
  int position = change.positions.front();
  WatchItem item = list.GetItem(position);
  for (const ItemFieldLine& field : change.fields) {
    std::string problem = SetItemField(item, field.key, field.value);
    if (!problem.empty()) return Refuse(problem);
  }
  if (std::string problem = CheckItem(item); !problem.empty()) return Refuse(problem);
  item.ScheduleAtStart();  // as for every item the site definition stores
  list.ReplaceItem(position, std::move(item));
  return {ListAnswer::kDone, "アイテム " + NumberText(position) + " を変更しました"};
}

ListAnswer ApplyRemove(const ListChange& change, CWatchList& list) {
  std::vector<int> positions = change.positions;
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  std::string text;
  // From the end, so that each position still names the item the caller meant.
  for (auto it = positions.rbegin(); it != positions.rend(); ++it) list.DeleteItem(*it);
  for (int position : positions) {
    if (!text.empty()) text += '\n';
    text += "アイテム " + NumberText(position) + " を削除しました";
  }
  return {ListAnswer::kDone, text};
}

ListAnswer ApplyInPlace(const ListChange& change, CWatchList& list) {
  std::vector<int> positions = change.positions;
  if (change.kind == ListChange::Kind::Acknowledge && positions.empty()) {
    for (int i = 0; i < list.GetCount(); ++i) positions.push_back(i);
  }
  int changed = 0;
  for (int position : positions) {
    WatchItem* item = list.GetItemPtr(position);
    switch (change.kind) {
      case ListChange::Kind::Enable:
        if (item->m_active != 1) item->ScheduleAtStart();
        item->m_active = 1;
        break;
      case ListChange::Kind::Disable:
        item->m_active = 0;
        break;
      default:
        if (!list.Acknowledge(position)) continue;
        break;
    }
    ++changed;
  }
  list.MarkDirty();
  switch (change.kind) {
    case ListChange::Kind::Enable:
      return {ListAnswer::kDone, "アイテム " + NumberText(positions.front()) + " を有効にしました"};
    case ListChange::Kind::Disable:
      return {ListAnswer::kDone, "アイテム " + NumberText(positions.front()) + " を無効にしました"};
    default:
      return {ListAnswer::kDone, std::to_string(changed) + " 件の更新マークを消しました"};
  }
}

}  // namespace

bool ListChange::Write(FILE* file) const {
  bool good = std::fprintf(file, "Oper: %s\n", kKindNames[static_cast<int>(kind)]) > 0;
  for (int position : positions) good &= std::fprintf(file, "Posi: %d\n", position) > 0;
  for (const ItemFieldLine& field : fields) {
    good &= std::fprintf(file, "Fiel: %s: %s\n", field.key.c_str(), field.value.c_str()) > 0;
  }
  good &= std::fprintf(file, "%s\n", kEndOfHeader) > 0;
  if (kind == Kind::Add) good &= item.Write(file) == 0;
  return good;
}

std::optional<ListChange> ListChange::Read(FILE* file) {
  ListChange change;
  std::string line;
  bool kindSeen = false;
  for (;;) {
    if (!ReadLine(file, line)) return std::nullopt;
    if (line == kEndOfHeader) break;
    if (line.size() < 6 || line.compare(4, 2, ": ") != 0) return std::nullopt;
    std::string key = line.substr(0, 4);
    std::string value = line.substr(6);
    if (key == "Oper") {
      auto found = std::find_if(std::begin(kKindNames), std::end(kKindNames),
                                [&](const char* name) { return value == name; });
      if (found == std::end(kKindNames)) return std::nullopt;
      change.kind = static_cast<Kind>(found - std::begin(kKindNames));
      kindSeen = true;
    } else if (key == "Posi") {
      std::optional<int> position = ParseWholeNumber(value);
      if (!position || *position < 0) return std::nullopt;
      change.positions.push_back(*position);
    } else if (key == "Fiel") {
      if (value.size() < 6 || value.compare(4, 2, ": ") != 0) return std::nullopt;
      change.fields.push_back({value.substr(0, 4), value.substr(6)});
    }
  }
  if (!kindSeen) return std::nullopt;
  if (change.kind == Kind::Add && !change.item.Read(file)) return std::nullopt;
  return change;
}

std::string ListAnswer::Encode() const { return std::to_string(status) + "\t" + text; }

std::optional<ListAnswer> ListAnswer::Decode(const std::string& bytes) {
  std::size_t tab = bytes.find('\t');
  if (tab == std::string::npos) return std::nullopt;
  std::optional<int> status = ParseWholeNumber(bytes.substr(0, tab));
  if (!status) return std::nullopt;
  return ListAnswer{*status, bytes.substr(tab + 1)};
}

ListAnswer ApplyListChange(const ListChange& change, CWatchList& list) {
  for (int position : change.positions) {
    if (position < 0 || position >= list.GetCount()) return Refuse(MissingItem(position, list));
  }
  bool needsOne = change.kind != ListChange::Kind::Add && change.kind != ListChange::Kind::Acknowledge;
  if (needsOne && change.positions.empty()) return Refuse("アイテムの番号がありません");
  switch (change.kind) {
    case ListChange::Kind::Add: {
      if (std::string problem = CheckItem(change.item); !problem.empty()) return Refuse(problem);
      WatchItem item = change.item;
      item.ScheduleAtStart();
      list.AddItem(std::move(item));
      return {ListAnswer::kDone, std::to_string(list.GetCount())};
    }
    case ListChange::Kind::Set:
      return ApplySet(change, list);
    case ListChange::Kind::Remove:
      return ApplyRemove(change, list);
    default:
      return ApplyInPlace(change, list);
  }
}
