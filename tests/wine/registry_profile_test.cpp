// The registry profile in a Wine prefix: where the values land, their
// types, the defaults, and the Run entry.
#include "monitor/win32/registry_profile.h"

#include <gtest/gtest.h>

#include "monitor/settings.h"

namespace monitor {
namespace {

constexpr wchar_t kApplicationKey[] = L"Software\\Halvane\\ProfileTest";
constexpr wchar_t kSectionKey[] = L"Software\\Halvane\\ProfileTest\\SETTING";

class RegistryProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kApplicationKey); }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kApplicationKey);
    profile.SetRunEntry(false);
  }
  static bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  static DWORD TypeOf(const wchar_t* name) {
    DWORD type = 0;
    RegGetValueW(HKEY_CURRENT_USER, kSectionKey, name, RRF_RT_ANY, &type, nullptr, nullptr);
    return type;
  }

  RegistryProfile profile{u"Halvane", u"ProfileTest"};
};

TEST_F(RegistryProfileTest, AFirstReadGivesTheDefaultAndCreatesTheKeys) {
  EXPECT_FALSE(KeyExists(kSectionKey));
  EXPECT_EQ(Read(profile, kWarningTemperature), 50);
  EXPECT_EQ(Read(profile, kCheckInterval), 2);
  EXPECT_EQ(Read(profile, kAllowableCount), 3);
  EXPECT_TRUE(KeyExists(kSectionKey));
}

TEST_F(RegistryProfileTest, IntegersAreDwordsAndStringsAreText) {
  ASSERT_TRUE(profile.WriteProfileInt(kSettingSection, u"TEMP", 55));
  ASSERT_TRUE(profile.WriteProfileInt(kSettingSection, u"\\\\?\\ide#disk#1", -1));
  ASSERT_TRUE(profile.WriteProfileString(kSettingSection, u"SMTPSVR", u"mail.example.test"));
  EXPECT_EQ(TypeOf(L"TEMP"), static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(TypeOf(L"SMTPSVR"), static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Read(profile, kWarningTemperature), 55);
  EXPECT_EQ(
      static_cast<std::uint32_t>(profile.GetProfileInt(kSettingSection, u"\\\\?\\ide#disk#1", 0)),
      0xFFFFFFFFu)
      << "a device path is a value name like any other";
  EXPECT_EQ(profile.GetProfileString(kSettingSection, u"SMTPSVR", u""), u"mail.example.test");
  EXPECT_EQ(profile.GetProfileString(kSettingSection, u"POPSVR", u"none"), u"none");
  EXPECT_EQ(profile.GetProfileInt(kSettingSection, u"SMTPSVR", 7), 7)
      << "a value of another type reads as missing";
}

TEST_F(RegistryProfileTest, AStringWithZeroUnitsIsStoredAndReadWhole) {
  const std::u16string units(u"a\0b\0", 4);
  ASSERT_TRUE(profile.WriteProfileString(kSettingSection, u"SENDPASS", units));
  DWORD size = 0;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, kSectionKey, L"SENDPASS", RRF_RT_ANY | RRF_NOEXPAND,
                         nullptr, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 10u) << "four units and the terminating zero";
  EXPECT_EQ(profile.GetProfileString(kSettingSection, u"SENDPASS", u""), u"a");
  EXPECT_EQ(profile.GetProfileStringWhole(kSettingSection, u"SENDPASS", u""), units);

  ASSERT_TRUE(profile.WriteProfileString(kSettingSection, u"SENDPASS", u"plain"));
  EXPECT_EQ(profile.GetProfileStringWhole(kSettingSection, u"SENDPASS", u""), u"plain")
      << "a value without zero units reads as before";
  EXPECT_EQ(profile.GetProfileStringWhole(kSettingSection, u"NONE", u"none"), u"none");
}

TEST_F(RegistryProfileTest, ValuesOtherProgramsWroteAreTakenOnlyWithTheirTypeAndSize) {
  const auto put = [](const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSectionKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  };
  const unsigned long long quad = 60;
  put(L"TEMP", REG_QWORD, &quad, sizeof quad);
  put(L"TIME", REG_BINARY, "\x05\0\0\0", 4);
  put(L"SMTPSVR", REG_SZ, L"ab", 4);  // no terminating zero
  put(L"POPSVR", REG_SZ, L"ab", 3);   // half a unit at the end
  const std::wstring longText(20000, L'x');
  put(L"SENDMAIL", REG_SZ, longText.c_str(), static_cast<DWORD>((longText.size() + 1) * 2));
  EXPECT_EQ(Read(profile, kWarningTemperature), 50);
  EXPECT_EQ(Read(profile, kCheckInterval), 2);
  EXPECT_EQ(profile.GetProfileString(kSettingSection, u"SMTPSVR", u""), u"ab");
  EXPECT_EQ(profile.GetProfileString(kSettingSection, u"POPSVR", u""), u"a");
  EXPECT_EQ(profile.GetProfileString(kSettingSection, u"SENDMAIL", u"").size(), longText.size());
}

TEST_F(RegistryProfileTest, TheRunEntryHoldsTheProgramPath) {
  ASSERT_TRUE(profile.SetRunEntry(true));
  EXPECT_TRUE(profile.HasRunEntry());
  wchar_t stored[MAX_PATH] = {}, program[MAX_PATH] = {};
  DWORD size = sizeof stored;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                         L"Ardmon", RRF_RT_REG_SZ, nullptr, stored, &size),
            ERROR_SUCCESS);
  const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  EXPECT_STREQ(stored, program);
  EXPECT_EQ(size, (length + 1) * sizeof(wchar_t));
  ASSERT_TRUE(profile.SetRunEntry(false));
  EXPECT_FALSE(profile.HasRunEntry());
  EXPECT_TRUE(profile.SetRunEntry(false)) << "removing it twice is no error";
}

}  // namespace
}  // namespace monitor
