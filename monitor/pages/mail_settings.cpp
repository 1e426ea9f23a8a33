#include "monitor/pages/mail_settings.h"

#include "monitor/mail/mail_values.h"
#include "monitor/mail/webhook.h"
#include "monitor/pages/settings_form.h"
#include "monitor/record_text.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

struct TextValue {
  MailField field;
  std::u16string_view name;
};

// The stored text values besides the password, and their fields.
constexpr std::array<TextValue, 7> kTextValues = {{{MailField::SmtpServer, kSmtpServer},
                                                   {MailField::PopServer, kPopServer},
                                                   {MailField::Sender, kSenderAddress},
                                                   {MailField::User, kMailUser},
                                                   {MailField::Recipient1, kRecipient1},
                                                   {MailField::Recipient2, kRecipient2},
                                                   {MailField::WebhookUrl, kWebhookUrl}}};

constexpr int kAuthEntries = 3;

int Index(MailField field) {
  return static_cast<int>(field);
}

std::u16string Number(std::uint32_t value) {
  return Widen(std::to_string(value));
}

// A stored index outside the box leaves it without selection.
int BoxIndex(std::int32_t stored) {
  return stored >= 0 && stored < kAuthEntries ? stored : -1;
}

}  // namespace

std::optional<MailFieldEnables> EnablesForAuth(int authIndex) {
  switch (authIndex) {
    case 0:
      return MailFieldEnables{false, false};
    case 1:
      return MailFieldEnables{false, true};
    case 2:
      return MailFieldEnables{true, true};
    default:
      return std::nullopt;
  }
}

MailPageCore::MailPageCore(Profile& profile, PasswordCipher& cipher)
    : profile_(profile), cipher_(cipher) {}

MailForm MailPageCore::OnShowPage() {
  MailForm form;
  form.auth = BoxIndex(Read(profile_, kMailAuth));
  form.security = BoxIndex(Read(profile_, kMailSecurity));
  form.temperatureMail = IsOn(profile_, kTemperatureMail);
  form.healthMail = IsOn(profile_, kHealthMail);
  for (const TextValue& value : kTextValues)
    members_[Index(value.field)] = ReadText(profile_, value.name);
  members_[Index(MailField::Password)] = ReadStoredPassword(profile_, cipher_);
  smtpPort_ = ReadUnsigned(profile_, kSmtpPort);
  popPort_ = ReadUnsigned(profile_, kPopPort);
  form.texts = members_;
  form[MailField::SmtpPort] = Number(smtpPort_);
  form[MailField::PopPort] = Number(popPort_);
  const MailFieldEnables enables = EnablesForAuth(form.auth).value_or(MailFieldEnables{});
  form.popEnabled = enables.pop;
  form.loginEnabled = enables.login;
  return form;
}

bool MailPageCore::ReadMembers(const MailForm& form, MailUi& ui) {
  for (int i = 0; i < kMailFieldCount; ++i) {
    const auto field = static_cast<MailField>(i);
    if (field != MailField::SmtpPort && field != MailField::PopPort) {
      members_[i] = form.texts[i];
      continue;
    }
    const std::optional<std::uint32_t> port = ParseUnsigned(form.texts[i]);
    if (!port) {
      ui.ShowMessage(IDS_PARSE_POSITIVE_INTEGER);
      ui.Focus(field);
      return false;
    }
    (field == MailField::SmtpPort ? smtpPort_ : popPort_) = *port;
  }
  return true;
}

bool MailPageCore::ValidateInputs(const MailForm& form, MailUi& ui) {
  const auto missing = [&](MailField field) {
    ui.ShowMessage(IDS_PLEASE_INPUT);
    ui.Focus(field);
    return false;
  };
  if (form[MailField::SmtpServer].empty()) return missing(MailField::SmtpServer);
  if (form.popEnabled && form[MailField::PopServer].empty()) return missing(MailField::PopServer);
  if (form.loginEnabled && form[MailField::User].empty()) return missing(MailField::User);
  if (form.loginEnabled && form[MailField::Password].empty()) return missing(MailField::Password);
  if (form[MailField::Sender].empty()) return missing(MailField::Sender);
  // One recipient is enough, either of the two.
  if (form[MailField::Recipient1].empty() && form[MailField::Recipient2].empty()) {
    return missing(MailField::Recipient1);
  }
  return true;
}

bool MailPageCore::OnApply(MailForm& form, MailUi& ui) {
  if (form[MailField::SmtpPort].empty()) {
    ui.ShowMessage(IDS_PLEASE_INPUT);
    ui.Focus(MailField::SmtpPort);
    return false;
  }
  if (form[MailField::PopPort].empty()) {
    if (form.popEnabled) {
      ui.ShowMessage(IDS_PLEASE_INPUT);
      ui.Focus(MailField::PopPort);
      return false;
    }
    form[MailField::PopPort] = Number(popPort_);
  }
  const std::u16string& url = form[MailField::WebhookUrl];
  if (!url.empty() && !ParseWebhookUrl(url)) {
    ui.ShowMessage(IDS_WEBHOOK_URL_REFUSED);
    ui.Focus(MailField::WebhookUrl);
    return false;
  }
  const bool read = ReadMembers(form, ui);
  // With no event mail chosen, incomplete settings are stored as they are.
  if ((form.temperatureMail || form.healthMail) && !ValidateInputs(form, ui)) return false;
  Store(form);
  return read;
}

// Failed writes are not reported: the user has no way to act on them. A
// box without selection keeps the stored value: a mode the box does not
// know is refused at each mail rather than stored as another.
void MailPageCore::Store(const MailForm& form) {
  if (form.auth >= 0) WriteSetting(profile_, kMailAuth, form.auth);
  if (form.security >= 0) WriteSetting(profile_, kMailSecurity, form.security);
  WriteSetting(profile_, kTemperatureMail, form.temperatureMail ? 1 : 0);
  WriteSetting(profile_, kHealthMail, form.healthMail ? 1 : 0);
  WriteText(profile_, kSmtpServer, members_[Index(MailField::SmtpServer)]);
  WriteText(profile_, kPopServer, members_[Index(MailField::PopServer)]);
  WriteSetting(profile_, kSmtpPort, static_cast<std::int32_t>(smtpPort_));
  WriteSetting(profile_, kPopPort, static_cast<std::int32_t>(popPort_));
  WriteText(profile_, kSenderAddress, members_[Index(MailField::Sender)]);
  WriteText(profile_, kMailUser, members_[Index(MailField::User)]);
  StorePassword(profile_, cipher_, members_[Index(MailField::Password)]);
  WriteText(profile_, kRecipient1, members_[Index(MailField::Recipient1)]);
  WriteText(profile_, kRecipient2, members_[Index(MailField::Recipient2)]);
  WriteText(profile_, kWebhookUrl, members_[Index(MailField::WebhookUrl)]);
}

MailForm MailPageCore::OnClear(const MailForm& form) {
  MailForm cleared = form;
  for (std::u16string& text : cleared.texts) text.clear();
  cleared[MailField::SmtpPort] = Number(kSmtpPort.defaultValue);
  cleared[MailField::PopPort] = Number(kPopPort.defaultValue);
  cleared.temperatureMail = cleared.healthMail = false;
  return cleared;
}

bool MailPageCore::PrepareMailTest(MailForm& form, MailUi& ui) {
  // The test mail goes with the values on the page or not at all, never
  // with older stored ones.
  return ValidateInputs(form, ui) && OnApply(form, ui);
}

bool MailPageCore::PrepareWebhookTest(MailForm& form, MailUi& ui) {
  if (form[MailField::WebhookUrl].empty()) {
    ui.ShowMessage(IDS_PLEASE_INPUT);
    ui.Focus(MailField::WebhookUrl);
    return false;
  }
  return OnApply(form, ui);
}

bool MailPageCore::IsModified(const MailForm& form, MailUi& ui) {
  if (form[MailField::SmtpPort].empty() || form[MailField::PopPort].empty()) return true;
  ReadMembers(form, ui);
  if (form.auth != BoxIndex(Read(profile_, kMailAuth)) ||
      form.security != BoxIndex(Read(profile_, kMailSecurity)) ||
      form.temperatureMail != IsOn(profile_, kTemperatureMail) ||
      form.healthMail != IsOn(profile_, kHealthMail) ||
      smtpPort_ != ReadUnsigned(profile_, kSmtpPort) ||
      popPort_ != ReadUnsigned(profile_, kPopPort)) {
    return true;
  }
  for (const TextValue& value : kTextValues) {
    if (members_[Index(value.field)] != ReadText(profile_, value.name)) return true;
  }
  return members_[Index(MailField::Password)] != ReadStoredPassword(profile_, cipher_);
}

}  // namespace monitor
