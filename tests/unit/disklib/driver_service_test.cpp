// The file a driver service's key names, as the kernel finds it.
#include "disklib/driver_service.h"

#include <gtest/gtest.h>

namespace disklib {
namespace {

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
      {u"system32\\DRIVERS\\x.sys", u"C:\\Windows\\", u"C:\\Windows\\system32\\DRIVERS\\x.sys"},
      {u"\\SystemRoot\\System32\\drivers\\x.sys", win, u"C:\\Windows\\System32\\drivers\\x.sys"},
      {u"\\systemroot\\x.sys", win, u"C:\\Windows\\x.sys"},
      {u"\\??\\C:\\Vendor\\x.sys", win, u"C:\\Vendor\\x.sys"},
      {u"E:\\Vendor\\x.sys", win, u"E:\\Vendor\\x.sys"},
      // Kernel paths that name no file on a drive letter, and a drive
      // without its root.
      {u"\\Device\\HarddiskVolume2\\x.sys", win, std::nullopt},
      {u"\\Windows\\System32\\drivers\\x.sys", win, std::nullopt},
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
