#include "monitor/mail/base64.h"

#include <gtest/gtest.h>

namespace monitor {
namespace {

TEST(Base64, EncodesTheVectorsOfRfc4648) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("f"), "Zg==");
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(Base64Encode("foob"), "Zm9vYg==");
  EXPECT_EQ(Base64Encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
}

TEST(Base64, TakesEveryByteValueAndZeroBytes) {
  EXPECT_EQ(Base64Encode(std::string("u\0u\0p", 5)), "dQB1AHA=");
  EXPECT_EQ(Base64Encode("\xFF\xFE\xFD"), "//79");
  EXPECT_EQ(Base64Encode("\xFB\xEF"), "++8=");
}

}  // namespace
}  // namespace monitor
