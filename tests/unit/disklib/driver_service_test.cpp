// The file a driver service's key names, as the kernel finds it.
#include "disklib/driver_service.h"

#include <gtest/gtest.h>

namespace disklib {
namespace {

// Windows fails a controller whose filter driver cannot load.
TEST(DriverCanLoad, OnlyAnEnabledKernelDriverWithItsFile) {
  EXPECT_TRUE(DriverCanLoad(DriverService{1, 3, true}));
  EXPECT_TRUE(DriverCanLoad(DriverService{1, 0, true})) << "at boot";
  const std::optional<DriverService> cannot[] = {
      std::nullopt,                          // no key
      DriverService{1, 4, true},             // disabled
      DriverService{2, 3, true},             // a file system driver
      DriverService{std::nullopt, 3, true},  // no Type
      DriverService{1, std::nullopt, true},  // no Start
      DriverService{1, 3, false},            // its file missing
  };
  for (const std::optional<DriverService>& service : cannot) {
    EXPECT_FALSE(DriverCanLoad(service)) << &service - cannot;
  }
}

TEST(DriverImagePath, FollowsTheKernelsRules) {
  struct Case {
    std::optional<std::u16string> imagePath;
    std::u16string windows;
    std::optional<std::u16string> file;
  };
  const std::u16string win = u"C:\\Windows";
  const std::u16string ours = u"C:\\Windows\\System32\\drivers\\OxaSATAFil.sys";
  const Case cases[] = {
      {std::nullopt, win, ours},
      {u"", win, ours},
      {std::nullopt, u"D:\\", u"D:\\System32\\drivers\\OxaSATAFil.sys"},
      {u"System32\\drivers\\x.sys", win, u"C:\\Windows\\System32\\drivers\\x.sys"},
      {u"\\SystemRoot\\System32\\drivers\\x.sys", win, u"C:\\Windows\\System32\\drivers\\x.sys"},
      {u"\\systemroot\\x.sys", win, u"C:\\Windows\\x.sys"},
      {u"\\??\\C:\\Vendor\\x.sys", win, u"C:\\Vendor\\x.sys"},
      {u"E:\\Vendor\\x.sys", win, u"E:\\Vendor\\x.sys"},
      // Kernel paths that name no file on a drive letter, and a drive
      // without its root.
      {u"\\Device\\HarddiskVolume2\\x.sys", win, std::nullopt},
      {u"\\SystemRootX\\x.sys", win, std::nullopt},
      {u"\\??\\", win, std::nullopt},
      {u"\\??\\drivers\\x.sys", win, std::nullopt},
      {u"C:x.sys", win, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(DriverImagePath(u"OxaSATAFil", c.imagePath, c.windows), c.file);
  }
}

}  // namespace
}  // namespace disklib
