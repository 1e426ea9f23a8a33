#include "monitor/mail/password_store.h"

#include <vector>

#include "monitor/mail/mail_values.h"
#include "monitor/mail/wipe.h"

namespace monitor {
namespace {

// Each unit in little-endian byte order, as the stored form has it
// whatever the host.
std::vector<unsigned char> BytesOf(std::u16string_view units) {
  std::vector<unsigned char> bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
    bytes.push_back(static_cast<unsigned char>(unit >> 8));
  }
  return bytes;
}

std::u16string UnitsOf(const std::vector<unsigned char>& bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    units.push_back(static_cast<char16_t>(bytes[at] | bytes[at + 1] << 8));
  }
  return units;
}

std::u16string Transformed(PasswordCipher& cipher, std::u16string_view units, bool encrypt) {
  std::vector<unsigned char> bytes = BytesOf(units);
  // Without a cipher the bytes stay as they are: the password is then kept
  // in clear rather than lost.
  if (!bytes.empty()) cipher.ProtectPassword(bytes.data(), bytes.size(), encrypt);
  std::u16string transformed = UnitsOf(bytes);
  Wipe(bytes);
  return transformed;
}

}  // namespace

std::u16string ReadStoredPassword(Profile& profile, PasswordCipher& cipher) {
  const std::u16string stored = profile.GetProfileStringWhole(kSettingSection, kMailPassword, u"");
  std::u16string password = Transformed(cipher, stored, false);
  std::u16string whole = password.substr(0, password.find(u'\0'));
  Wipe(password);
  return whole;
}

bool StorePassword(Profile& profile, PasswordCipher& cipher, std::u16string_view password) {
  return WriteText(profile, kMailPassword, Transformed(cipher, password, true));
}

}  // namespace monitor
