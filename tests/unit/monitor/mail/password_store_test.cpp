#include "monitor/mail/password_store.h"

#include <gtest/gtest.h>

#include "monitor/mail/mail_values.h"
#include "monitor/memory_profile.h"

namespace monitor {
namespace {

// A stream cipher like the real one, its key stream known to the test:
// byte i is XORed with 0x5A + i.
class XorCipher : public PasswordCipher {
 public:
  bool available = true;
  bool ProtectPassword(unsigned char* bytes, std::size_t length, bool) override {
    if (!available) return false;
    for (std::size_t i = 0; i < length; ++i) bytes[i] ^= static_cast<unsigned char>(0x5A + i);
    return true;
  }
  static char16_t KeyUnit(std::size_t unit) {
    return static_cast<char16_t>(((0x5A + 2 * unit) & 0xFF) | ((0x5A + 2 * unit + 1) & 0xFF) << 8);
  }
};

class PasswordStoreTest : public ::testing::Test {
 protected:
  std::u16string Stored() {
    return profile.GetProfileStringWhole(kSettingSection, kMailPassword, u"absent");
  }

  MemoryProfile profile;
  XorCipher cipher;
};

TEST_F(PasswordStoreTest, StoresEveryUnitEncryptedAndReadsItBack) {
  ASSERT_TRUE(StorePassword(profile, cipher, u"secret"));
  const std::u16string stored = Stored();
  ASSERT_EQ(stored.size(), 6u);
  EXPECT_EQ(stored[0], u's' ^ XorCipher::KeyUnit(0));
  EXPECT_EQ(stored[5], u't' ^ XorCipher::KeyUnit(5));
  EXPECT_EQ(ReadStoredPassword(profile, cipher), u"secret");
  ASSERT_TRUE(StorePassword(profile, cipher, u"secret"));
  EXPECT_EQ(Stored(), stored) << "the same password gives the same value";
}

TEST_F(PasswordStoreTest, AnEncryptedZeroUnitNoLongerEndsThePassword) {
  // Units 2 and 5 encrypt to zero: the last unit of all among them.
  std::u16string password = u"ab?de?";
  password[2] = XorCipher::KeyUnit(2);
  password[5] = XorCipher::KeyUnit(5);
  ASSERT_TRUE(StorePassword(profile, cipher, password));
  EXPECT_EQ(Stored().size(), 6u);
  EXPECT_EQ(profile.GetProfileString(kSettingSection, kMailPassword, u"").size(), 2u)
      << "read as text, the value would end at the zero unit";
  EXPECT_EQ(ReadStoredPassword(profile, cipher), password);
}

TEST_F(PasswordStoreTest, LongAndEmptyPasswordsRoundTrip) {
  std::u16string longest;
  for (int i = 0; i < 259; ++i) longest += static_cast<char16_t>(u'A' + i % 26);
  longest[100] = u'\u00E9';
  longest[200] = u'\u30AF';
  ASSERT_TRUE(StorePassword(profile, cipher, longest));
  EXPECT_EQ(ReadStoredPassword(profile, cipher), longest);

  ASSERT_TRUE(StorePassword(profile, cipher, u""));
  EXPECT_EQ(Stored(), u"");
  EXPECT_EQ(ReadStoredPassword(profile, cipher), u"");
}

TEST_F(PasswordStoreTest, WithoutTheCipherThePasswordIsKeptInClearNotLost) {
  cipher.available = false;
  ASSERT_TRUE(StorePassword(profile, cipher, u"secret"));
  EXPECT_EQ(Stored(), u"secret");
  EXPECT_EQ(ReadStoredPassword(profile, cipher), u"secret");
}

}  // namespace
}  // namespace monitor
