#include "gui/app/main_commands.h"

#include <wx/menu.h>

#include "gui/wx_text.h"

namespace {

void Add(wxMenu* menu, int id, const char* label) { menu->Append(id, ToWx(label)); }

}  // namespace

wxMenuBar* MakeMainMenuBar() {
  auto* operation = new wxMenu();
  Add(operation, ID_NEW_SITE, "新規サイト(&N)");
  Add(operation, ID_SHOW_WATCH_LIST, "ウォッチリスト(&E)");
  Add(operation, ID_CLEAR_LOG, "ログをクリア(&C)");
  Add(operation, ID_ENVIRONMENT, "環境設定(&S)");
  Add(operation, ID_IMPORT, "インポート…");
  Add(operation, ID_BACKUP, "バックアップ…");
  Add(operation, ID_RESTORE, "復元…");
  Add(operation, ID_EXIT_PROGRAM, "Pagewardenを終了(&X)");

  auto* pieces = new wxMenu();
  Add(pieces, ID_DOWNLOADER, "Linkreel(&W)");
  Add(pieces, ID_HELPER, "Grabmate(&D)");

  auto* help = new wxMenu();
  Add(help, ID_HELP_CONTENTS, "Pagewardenのヘルプ(&H)");
  Add(help, ID_HELP_TROUBLE, "あれっ？と思ったら・・・");
  Add(help, ID_HELP_HELPER_PAGE, "Grabmate(&D)");
  Add(help, ID_HELP_DOWNLOADER_PAGE, "Linkreel(&W)");
  Add(help, ID_HELP_QA, "更新チェックＱ＆Ａ(&Q)");
  Add(help, ID_ABOUT, "Pagewardenについて(&A)...");
  // GTK windows have no window menu of their own: its version entry lives here.
  help->AppendSeparator();
  Add(help, ID_ABOUT_VERSION, "Pagewarden のﾊﾞｰｼﾞｮﾝ情報(&A)...");

  auto* bar = new wxMenuBar();
  bar->Append(operation, ToWx("操作(&O)"));
  bar->Append(pieces, ToWx("ピース(&P)"));
  bar->Append(help, ToWx("ﾍﾙﾌﾟ(&H)"));
  return bar;
}

wxMenu* MakeTrayMenu(int which) {
  auto* menu = new wxMenu();
  if (which == 0) {
    Add(menu, ID_OPEN, "開く");
    Add(menu, ID_EXIT_PROGRAM, "Pagewardenを終了");
    menu->AppendSeparator();
    Add(menu, ID_DOWNLOADER, "Linkreel");
    Add(menu, ID_HELPER, "Grabmate");
  } else {
    Add(menu, ID_FOLDER_UPDATE, "フォルダ更新");
    Add(menu, ID_NEW_SITE, "新規サイト");
    Add(menu, ID_SHOW_WATCH_LIST, "ウォッチリスト");
    menu->AppendSeparator();
    Add(menu, ID_STOP_SOUND, "サウンドを停止");
    menu->AppendSeparator();
    Add(menu, ID_EXIT_PROGRAM, "Pagewardenを終了(&X)");
  }
  return menu;
}
