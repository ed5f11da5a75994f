// The environment settings dialog for real under the virtual X server, opened by the main
// window's "環境設定": OK writes the settings and the archive, Cancel drops what was typed.
// Also the scene of the README's picture (scripts/screenshot_env.sh).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <wx/checkbox.h>
#include <wx/notebook.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include "core/app/settings_archive.h"
#include "core/mail/loop_dialog_host.h"
#include "gui/app/env_dlg.h"
#include "gui/app/env_parts.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_frame.h"
#include "gui/wx_text.h"
#include "gui_test_support.h"
#include "platform/file_system.h"
#include "support/scripted_prompter.h"

namespace {

wxTextCtrl* Edit(wxWindow& dialog, const char* name) {
  return static_cast<wxTextCtrl*>(dialog.FindWindow(wxASCII_STR(name)));
}

void Press(CEnvDlg& dialog, int id) {
  wxCommandEvent click(wxEVT_BUTTON, id);
  dialog.ProcessWindowEvent(click);
}

// What the dialog run by the main window does, one step per opening.
int g_openings = 0;
void TypeAndAnswer(CEnvDlg& dialog) {
  ++g_openings;
  if (g_openings == 1) {
    EXPECT_EQ(FromWx(Edit(dialog, "proxyHost")->GetValue()), "old.example.jp");
    EXPECT_EQ(FromWx(Edit(dialog, "authState")->GetValue()), "不明");
    Edit(dialog, "mailServer")->ChangeValue(ToWx("smtp.example.jp"));
    Edit(dialog, "proxyHost")->ChangeValue(ToWx("proxy.example.jp"));
    Edit(dialog, "proxyPort")->ChangeValue(ToWx("3128"));
    static_cast<wxCheckBox*>(dialog.FindWindow(wxASCII_STR("startResident")))->SetValue(true);
    static_cast<wxSpinCtrl*>(dialog.FindWindow(wxASCII_STR("hostInterval")))->SetValue(30);
    Press(dialog, wxID_OK);
  } else {
    Edit(dialog, "mailServer")->ChangeValue(ToWx("dropped.example.jp"));
    Press(dialog, wxID_CANCEL);
  }
}

}  // namespace

TEST(EnvDlg, OkWritesTheSettingsAndTheArchiveCancelDropsEverything) {
  GuiWorld world;
  world.app->m_settings.m_proxy = "old.example.jp:8080";
  MainWindowParts parts;
  AddEnvironmentDialog(parts, *world.app, world.queue);
  wxWeakRef<CMainDlg> window = new CMainDlg(*world.app, world.queue, std::move(parts));
  window->Show();
  ASSERT_TRUE(RunEventsUntil([&] { return window->DeferredInitDone(); }));

  g_openings = 0;
  CEnvDlg::SetShownHook(TypeAndAnswer);
  window->Command(ID_ENVIRONMENT);
  ASSERT_TRUE(RunEventsUntil([] { return g_openings == 1; }));
  RunEventsFor(50);
  const AppSettings& settings = world.app->m_settings;
  EXPECT_EQ(settings.m_mailServer, "smtp.example.jp");
  EXPECT_EQ(settings.m_proxy, "proxy.example.jp:3128");
  EXPECT_EQ(settings.m_startResident, 1);
  EXPECT_EQ(settings.m_hostInterval, 30);
  AppSettings saved;
  MainWindowLayout layout;
  WatchListWindowLayout listLayout;
  ASSERT_EQ(LoadSettingsFile(SettingsArchivePath(), saved, layout, listLayout),
            platform::LoadOutcome::Loaded);
  EXPECT_EQ(saved.m_proxy, "proxy.example.jp:3128");
  std::string archive = world.environment.Program().ReadBytes("PAGEWARD.INI");

  window->Command(ID_ENVIRONMENT);
  ASSERT_TRUE(RunEventsUntil([] { return g_openings == 2; }));
  RunEventsFor(50);
  CEnvDlg::SetShownHook(nullptr);
  EXPECT_EQ(settings.m_mailServer, "smtp.example.jp");
  EXPECT_EQ(world.environment.Program().ReadBytes("PAGEWARD.INI"), archive);

  // A port out of range keeps the dialog open with the message.
  CScriptedPrompter prompter;
  CLoopDialogHost mailHost;
  auto* dialog = new CEnvDlg(window, settings, prompter, mailHost);
  // Every setting on its tab, so that the dialog fits a 1024x700 screen with its frame.
  EXPECT_LE(dialog->GetSize().y, 620);
  auto* pages = static_cast<wxNotebook*>(dialog->FindWindow(wxASCII_STR("pages")));
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->GetSelection(), 0);
  Edit(*dialog, "mailPort")->ChangeValue(ToWx("65536"));
  EXPECT_FALSE(dialog->TransferDataFromWindow());
  EXPECT_EQ(prompter.Messages(),
            std::vector<std::string>{"ポートには 1 から 65535 までの整数を入力してください。"});
  // The refused field is shown: its tab comes to the front.
  EXPECT_EQ(FromWx(pages->GetPageText(pages->GetSelection())), "メール");
  dialog->Destroy();
  window->ExitProgram();
  RunEventsUntil([&] { return !window; });
}

TEST(EnvDlg, Screenshot) {
  const char* done = std::getenv("PAGEWARDEN_SCREENSHOT_DONE");
  if (!done) GTEST_SKIP() << "only for scripts/screenshot_env.sh";
  AppSettings settings;
  settings.m_mailServer = "smtp.example.jp";
  settings.m_mailAccount = "taro@example.jp";
  settings.m_mailPassword = "secret";
  settings.m_smtpAuthState = "SMTP_AUTH";
  settings.m_proxy = "proxy.example.jp:8080";
  settings.m_resetOnListClose = 1;
  CScriptedPrompter prompter;
  CLoopDialogHost mailHost;
  auto* dialog = new CEnvDlg(nullptr, settings, prompter, mailHost);
  // The mail tab, the one with the most to say.
  static_cast<wxNotebook*>(dialog->FindWindow(wxASCII_STR("pages")))->ChangeSelection(1);
  dialog->Show();
  HoldForScreenshot(*dialog, done);
  dialog->Destroy();
}
