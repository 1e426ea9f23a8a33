// The mail password in the profile: encrypted unit by unit, never in
// clear, stored and read back by its full length so that an encrypted unit
// of zero does not end it early.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "monitor/profile.h"

namespace monitor {

// The stored values' cipher: RC4 with the key derived from the program's
// pass phrase, the same transformation both ways. The Win32 one goes
// through CryptoAPI.
class PasswordCipher {
 public:
  virtual ~PasswordCipher() = default;
  // Encrypts or decrypts the bytes in place; false, with the bytes left as
  // they were, when the cipher is not available.
  virtual bool ProtectPassword(unsigned char* bytes, std::size_t length, bool encrypt) = 0;
};

// The password, up to its first zero unit; empty when none is stored.
std::u16string ReadStoredPassword(Profile& profile, PasswordCipher& cipher);
bool StorePassword(Profile& profile, PasswordCipher& cipher, std::u16string_view password);

}  // namespace monitor
