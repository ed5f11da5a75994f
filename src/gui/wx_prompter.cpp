#include "gui/wx_prompter.h"

#include <memory>
#include <wx/msgdlg.h>

#include "core/common/version.h"
#include "gui/app/auth_dialog.h"
#include "gui/wx_text.h"

namespace {

long ButtonStyle(IPrompter::Buttons buttons) {
  switch (buttons) {
    case IPrompter::Buttons::Ok:
      return wxOK;
    case IPrompter::Buttons::OkCancel:
    case IPrompter::Buttons::RetryCancel:  // OK carries the label "再試行"
      return wxOK | wxCANCEL;
    case IPrompter::Buttons::YesNo:
      return wxYES_NO;
    case IPrompter::Buttons::YesNoCancel:
      return wxYES_NO | wxCANCEL;
  }
  return wxOK;
}

long IconStyle(IPrompter::Icon icon) {
  switch (icon) {
    case IPrompter::Icon::None:
      return wxICON_NONE;
    case IPrompter::Icon::Information:
      return wxICON_INFORMATION;
    case IPrompter::Icon::Warning:
      return wxICON_WARNING;
    case IPrompter::Icon::Error:
      return wxICON_ERROR;
    case IPrompter::Icon::Question:
      return wxICON_QUESTION;
  }
  return wxICON_NONE;
}

// The answer when nobody can be asked any more: the refusing button.
IPrompter::Answer Refusal(IPrompter::Buttons buttons) {
  switch (buttons) {
    case IPrompter::Buttons::Ok:
      return IPrompter::Answer::Ok;
    case IPrompter::Buttons::YesNo:
      return IPrompter::Answer::No;
    default:
      return IPrompter::Answer::Cancel;
  }
}

}  // namespace

wxWindow* CWxPrompter::Owner() const {
  wxWindow* owner = m_owner ? m_owner() : nullptr;
  return owner && owner->IsShown() ? owner : nullptr;
}

std::optional<IPrompter::Credentials> CWxPrompter::AskCredentials(const std::string& url,
                                                                 std::uint32_t timeoutMs) {
  std::optional<Credentials> answer;
  m_queue.SendAndTell([&] {
    CAuthDialog dialog(Owner(), url, timeoutMs);
    if (m_beforeShow) m_beforeShow(&dialog);
    if (dialog.ShowModal() == wxID_OK) answer = Credentials{dialog.User(), dialog.Password()};
  });
  return answer;
}

IPrompter::Answer CWxPrompter::ShowMessage(const std::string& text, Buttons buttons, Icon icon,
                                           const std::string& caption) {
  Answer answer = Refusal(buttons);
  m_queue.SendAndTell([&] {
    std::unique_ptr<wxMessageDialog> dialog(
        MakeMessageDialog(Owner(), text, buttons, icon, caption));
    if (m_beforeShow) m_beforeShow(dialog.get());
    answer = ToAnswer(dialog->ShowModal(), buttons);
  });
  return answer;
}

wxMessageDialog* CWxPrompter::MakeMessageDialog(wxWindow* parent, const std::string& text,
                                                Buttons buttons, Icon icon,
                                                const std::string& caption) {
  auto* dialog = new wxMessageDialog(parent, ToWx(text),
                                     ToWx(caption.empty() ? kProductName : caption),
                                     ButtonStyle(buttons) | IconStyle(icon) | wxCENTRE);
  // The program's own button captions, whatever the desktop's language.
  if (buttons == Buttons::RetryCancel) {
    dialog->SetOKCancelLabels(ToWx("再試行(&R)"), ToWx("キャンセル"));
  } else if (buttons == Buttons::YesNoCancel) {
    dialog->SetYesNoCancelLabels(ToWx("はい(&Y)"), ToWx("いいえ(&N)"), ToWx("キャンセル"));
  } else if (buttons == Buttons::YesNo) {
    dialog->SetYesNoLabels(ToWx("はい(&Y)"), ToWx("いいえ(&N)"));
  } else if (buttons == Buttons::OkCancel) {
    dialog->SetOKCancelLabels(ToWx("OK"), ToWx("キャンセル"));
  } else {
    dialog->SetOKLabel(ToWx("OK"));
  }
  return dialog;
}

IPrompter::Answer CWxPrompter::ToAnswer(int wxAnswer, Buttons buttons) {
  switch (wxAnswer) {
    case wxID_OK:
      return buttons == Buttons::RetryCancel ? Answer::Retry : Answer::Ok;
    case wxID_YES:
      return Answer::Yes;
    case wxID_NO:
      return Answer::No;
    default:
      // The window's close box: Cancel where there is one, else the refusing button.
      return Refusal(buttons);
  }
}
