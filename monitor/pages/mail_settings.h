// The Mail page's rules: what its controls show after loading, which
// fields the authentication mode enables, how an apply checks and stores
// them, Clear, the test mail's checks, and whether the controls hold edits
// that were not applied.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "monitor/mail/password_store.h"
#include "monitor/profile.h"

namespace monitor {

// The text fields, in the order they are read.
enum class MailField {
  SmtpServer,
  PopServer,
  SmtpPort,
  PopPort,
  Recipient1,
  Recipient2,
  Sender,
  User,
  Password,
  WebhookUrl
};
constexpr int kMailFieldCount = 10;
// What the edits take: what delivery accepts, five digits of a port, and
// a URL long enough for a topic with its token.
constexpr int kMailTextLimit = 127;
constexpr int kMailPortLimit = 5;
constexpr int kWebhookUrlLimit = 1024;

// What the page's controls hold.
struct MailForm {
  std::array<std::u16string, kMailFieldCount> texts;  // by MailField
  int auth = 0;      // index in the "Authentication" box; -1 for none
  int security = 0;  // index in the "SSL/TLS" box; -1 for none
  bool temperatureMail = false;
  bool healthMail = false;
  // As the controls are: the POP server and port, the user and password.
  bool popEnabled = false;
  bool loginEnabled = false;

  std::u16string& operator[](MailField field) { return texts[static_cast<int>(field)]; }
  const std::u16string& operator[](MailField field) const { return texts[static_cast<int>(field)]; }
};

struct MailFieldEnables {
  bool pop;
  bool login;
};

// The fields the authentication mode needs; nothing for no selection,
// which leaves them as they are.
std::optional<MailFieldEnables> EnablesForAuth(int authIndex);

// What the page shows the user: a message box, then the keyboard focus.
class MailUi {
 public:
  virtual ~MailUi() = default;
  virtual void ShowMessage(unsigned stringId) = 0;
  virtual void Focus(MailField field) = 0;
};

class MailPageCore {
 public:
  MailPageCore(Profile& profile, PasswordCipher& cipher);

  // The stored values, for the controls.
  MailForm OnShowPage();
  // The required fields, in order; false after saying which one is empty.
  bool ValidateInputs(const MailForm& form, MailUi& ui);
  // Checks and stores the controls' values; false when it refused them,
  // or stored them only up to a port field that holds no number. A
  // webhook URL that is neither https nor http to this PC is refused.
  // An empty POP port field that is disabled gets the last port back; a
  // box without selection leaves its stored value.
  bool OnApply(MailForm& form, MailUi& ui);
  // The controls emptied, ports back to 25 and 110, no event mail; the
  // page then applies them.
  MailForm OnClear(const MailForm& form);
  // Before a test mail: true once the values are checked and stored; false
  // when the page's checks or the apply stop it, and then no mail goes.
  bool PrepareMailTest(MailForm& form, MailUi& ui);
  // The same before a test of the webhook, whose URL must be given.
  bool PrepareWebhookTest(MailForm& form, MailUi& ui);
  // True when the controls differ from the stored values or a port field
  // is empty.
  bool IsModified(const MailForm& form, MailUi& ui);

 private:
  // False when the reading stopped at a port field.
  bool ReadMembers(const MailForm& form, MailUi& ui);
  void Store(const MailForm& form);

  Profile& profile_;
  PasswordCipher& cipher_;
  // The fields as last read; reading stops at a port that is no number,
  // and the fields after it keep their values.
  std::array<std::u16string, kMailFieldCount> members_;
  std::uint32_t smtpPort_ = 25;
  std::uint32_t popPort_ = 110;
};

}  // namespace monitor
