// The stored password's cipher through CryptoAPI: RC4 with a 128-bit key
// derived from the SHA-1 digest of the program's pass phrase.
#pragma once

#include "monitor/mail/password_store.h"

namespace monitor {

class CryptoApiCipher final : public PasswordCipher {
 public:
  bool ProtectPassword(unsigned char* bytes, std::size_t length, bool encrypt) override;
};

}  // namespace monitor
