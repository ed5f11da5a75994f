#include "core/ui/update_options_form.h"

#include "core/common/app_settings.h"
#include "core/common/prompter.h"
#include "core/common/path_utils.h"
#include "core/mail/mail_job.h"
#include "core/watch/watch_item.h"
#include "platform/program_folder.h"

void CUpdateOptionsForm::SetItem(const WatchItem& item) {
  m_fields.saveFile = item.m_savePath;
  m_fields.showPage = item.m_showPage != 0;
  m_fields.popUp = item.m_popUp != 0;
}

void CUpdateOptionsForm::Load(const WatchItem& item) {
  m_fields.download = item.m_download;
  m_fields.sound = item.m_soundUse;
  m_enabled = Enabling{};
  m_enabled.soundFile = item.m_soundUse == kSoundFile;
  m_fields.exec = item.m_exec;
  m_fields.soundFile = item.m_soundFile;
  m_fields.mail = item.m_useMail != 0;
  m_enabled.mailFields = m_fields.mail;
  m_fields.mailTo = item.m_mailTo;
  m_fields.notify = item.m_notify != 0;
  m_enabled.notifyAddresses = m_fields.notify;
  m_fields.notifyUrls = item.m_notifyUrls;
  m_fields.subject = item.m_mailSubject;
  m_fields.body = item.m_mailBody;
}

void CUpdateOptionsForm::ChooseSound(int sound) {
  m_fields.sound = sound;
  if (sound == kStandard) m_fields.soundFile = kStandardSound;
  m_enabled.soundFile = sound == kSoundFile;
  m_enabled.soundBrowse = sound == kSoundFile;
  m_enabled.preview = sound != kNoSound;
}

void CUpdateOptionsForm::ToggleMail() {
  m_fields.mail = !m_fields.mail;
  m_enabled.mailFields = m_fields.mail;
}

void CUpdateOptionsForm::ToggleNotify() {
  m_fields.notify = !m_fields.notify;
  m_enabled.notifyAddresses = m_fields.notify;
}

std::string CUpdateOptionsForm::SoundToPlay() const {
  std::string file = m_fields.soundFile.empty() ? kStandardSound : m_fields.soundFile;
  // The standard sound is shipped with the program, as the update itself plays it.
  if (file == kStandardSound) {
    std::string shipped = platform::ShippedFile(kStandardSound);
    if (!shipped.empty()) return shipped;
  }
  if (file.front() != '/') file = ProgramFolder() + "/" + file;
  return file;
}

int CUpdateOptionsForm::TestSend(const AppSettings& settings, IMailDialogHost& host,
                                 IPrompter& prompter) const {
  CMailServerInfo info = CMailServerInfo::FromSettings(settings);
  CMailMessage message;
  BuildNoticeMessage(message, m_fields.body, m_fields.subject, settings.m_mailAccount,
                     m_fields.mailTo);
  int result;
  {
    CMailJob job(host, &prompter);
    result = job.TestFromOptions(info, message);
  }
  if (result != 0) {
    prompter.ShowMessage(kTestAgainInSettings, IPrompter::Buttons::Ok,
                         IPrompter::Icon::Information);
  }
  return result;
}

void CUpdateOptionsForm::Store(WatchItem& item) const {
  item.m_savePath = m_fields.saveFile;
  item.m_download = m_fields.download;
  item.m_showPage = m_fields.showPage ? 1 : 0;
  item.m_popUp = m_fields.popUp ? 1 : 0;
  item.m_soundUse = m_fields.sound;
  item.m_exec = m_fields.exec;
  item.m_soundFile = m_fields.soundFile;
  item.m_useMail = m_fields.mail ? 1 : 0;
  item.m_mailTo = m_fields.mailTo;
  item.m_notify = m_fields.notify ? 1 : 0;
  item.m_notifyUrls = m_fields.notifyUrls;
  item.m_mailSubject = m_fields.subject;
  item.m_mailBody = m_fields.body;
}

std::string FilterToWildcard(const std::string& filter) {
  std::string wildcard = filter;
  while (!wildcard.empty() && wildcard.back() == '|') wildcard.pop_back();
  // Only a pattern of its own, between bars: the description's "(*.*)" stays.
  std::string pattern = "|*.*";
  for (std::size_t at = wildcard.find(pattern); at != std::string::npos;
       at = wildcard.find(pattern, at + 2)) {
    std::size_t end = at + pattern.size();
    if (end == wildcard.size() || wildcard[end] == '|') wildcard.replace(at, pattern.size(), "|*");
  }
  return wildcard;
}
