// What the mail client makes of text it did not write: header words from the user's
// subject and names, the APOP time stamp from a server's greeting.
#include "core/mail/mail_message.h"
#include "core/mail/pop3.h"
#include "fuzz/fuzz_driver.h"

void FuzzOne(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  CMailMessage::ToJis(text);
  CMailMessage::EncodeDisplayName(text);
  CPop3::Timestamp(text);
}
