#include "monitor/mail/win32/crypto_api_cipher.h"

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

namespace monitor {
namespace {

// Hashed with its terminating zero, as the stored values have always been.
constexpr char kPassPhrase[] = "Qrt Valence-key5tgbnhy6ok";
static_assert(sizeof kPassPhrase == 26, "25 characters and the zero");

}  // namespace

bool CryptoApiCipher::ProtectPassword(unsigned char* bytes, std::size_t length, bool encrypt) {
  HCRYPTPROV provider = 0;
  // No key container is needed to derive a session key.
  if (!CryptAcquireContextW(&provider, nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                            CRYPT_VERIFYCONTEXT)) {
    return false;
  }
  bool done = false;
  HCRYPTHASH hash = 0;
  if (CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash)) {
    HCRYPTKEY key = 0;
    // The provider's default RC4 key length: 128 bits, without salt.
    if (CryptHashData(hash, reinterpret_cast<const BYTE*>(kPassPhrase), sizeof kPassPhrase, 0) &&
        CryptDeriveKey(provider, CALG_RC4, hash, CRYPT_EXPORTABLE, &key)) {
      DWORD size = static_cast<DWORD>(length);
      done = encrypt ? CryptEncrypt(key, 0, TRUE, 0, bytes, &size, size) != FALSE
                     : CryptDecrypt(key, 0, TRUE, 0, bytes, &size) != FALSE;
      CryptDestroyKey(key);
    }
    CryptDestroyHash(hash);
  }
  CryptReleaseContext(provider, 0);
  return done;
}

}  // namespace monitor
