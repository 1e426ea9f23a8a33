// The compiled resources of the monitor, linked into this program, read back
// through the explicit-language loaders: the string tables against the
// portable table they come from, the tray menu, the main dialog and the
// pages, the icons.
#include <windows.h>
// clang-format off
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "resources/string_table.h"
#include "resources/strings.h"
#include "resources/win32/resource_language.h"

namespace ardmon {
namespace {

const Language kLanguages[] = {Language::English, Language::Japanese};

HMODULE Self() {
  return GetModuleHandleW(nullptr);
}

std::string Utf8(const std::u16string& text) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  return out;
}

const char* Name(Language language) {
  return language == Language::English ? "English" : "Japanese";
}

TEST(StringTables, EqualThePortableTableInBothLanguages) {
  for (Language language : kLanguages) {
    ResourceStrings loaded(Self(), language);
    TableStrings table(language);
    for (std::size_t i = 0; i < kStringTableSize; ++i) {
      const unsigned id = kStringTable[i].id;
      EXPECT_EQ(Utf8(loaded.Get(id)), Utf8(table.Get(id))) << Name(language) << " string " << id;
    }
    EXPECT_EQ(loaded.Get(192), u"") << "an empty place in a block";
    EXPECT_EQ(loaded.Get(4000), u"") << "a block that does not exist";
  }
  // The loaders do not follow the thread locale.
  EXPECT_EQ(LoadStringFor(Self(), Language::Japanese, IDS_APP_TITLE), u"クエンビー");
  EXPECT_EQ(LoadStringFor(Self(), Language::English, IDS_APP_TITLE), u"Quenby");
  EXPECT_EQ(LoadStringFor(Self(), Language::English, IDS_ATTR_DESC_NONE), u"");
}

struct MenuItem {
  UINT id;
  std::u16string label;
  bool separator;
};

std::vector<MenuItem> PopupItems(Language language) {
  std::vector<MenuItem> items;
  HMENU menu = LoadMenuFor(Self(), language, IDR_TRAY_MENU);
  if (!menu) return items;
  HMENU popup = GetSubMenu(menu, 0);
  for (int i = 0; popup && i < GetMenuItemCount(popup); ++i) {
    wchar_t label[64] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
    info.dwTypeData = label;
    info.cch = 64;
    GetMenuItemInfoW(popup, i, TRUE, &info);
    items.push_back({info.wID, std::u16string(label, label + wcslen(label)),
                     (info.fType & MFT_SEPARATOR) != 0});
  }
  DestroyMenu(menu);
  return items;
}

TEST(TrayMenu, HoldsTheSevenCommandsThenASeparator) {
  const std::vector<MenuItem> english = PopupItems(Language::English);
  const std::vector<MenuItem> japanese = PopupItems(Language::Japanese);
  const UINT ids[] = {ID_TRAY_INFO,  ID_TRAY_SMART, ID_TRAY_SETTING, ID_TRAY_LOG,
                      ID_TRAY_GRAPH, ID_TRAY_MAIL,  ID_TRAY_EXIT};
  const char16_t* labels[] = {u"Info",  u"S.M.A.R.T", u"Setting", u"Log",
                              u"Graph", u"Mail",      u"Exit"};
  ASSERT_EQ(english.size(), 8u);
  ASSERT_EQ(japanese.size(), 8u);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(english[i].id, ids[i]);
    EXPECT_EQ(english[i].label, labels[i]);
    EXPECT_FALSE(english[i].separator);
    EXPECT_EQ(japanese[i].id, ids[i]);
  }
  EXPECT_TRUE(english[7].separator);
  EXPECT_TRUE(japanese[7].separator);
  EXPECT_EQ(japanese[0].label, u"情報");
  EXPECT_EQ(japanese[6].label, u"終了");
}

// A DLGTEMPLATE (not the extended form) read field by field.
struct DialogItem {
  DWORD style;
  short x, y, cx, cy;
  WORD id;
  std::u16string window_class, text;
};

struct Dialog {
  DWORD style;
  short cx, cy;
  std::u16string window_class, caption, font;
  WORD point_size = 0;
  std::vector<DialogItem> items;
};

class TemplateReader {
 public:
  explicit TemplateReader(const void* base) : base_(static_cast<const BYTE*>(base)), p_(base_) {}

  template <typename T>
  T Next() {
    T value;
    memcpy(&value, p_, sizeof value);
    p_ += sizeof value;
    return value;
  }
  // An empty string, an ordinal (shown as "#n", or the class name for the
  // predefined control classes) or a string.
  std::u16string SzOrOrd() {
    const WORD first = Next<WORD>();
    if (first == 0) return {};
    if (first == 0xFFFF) {
      const WORD ordinal = Next<WORD>();
      if (ordinal == 0x0082) return u"Static";
      const std::string digits = std::to_string(ordinal);
      return u"#" + std::u16string(digits.begin(), digits.end());
    }
    std::u16string text(1, char16_t(first));
    for (WORD c; (c = Next<WORD>()) != 0;) text += char16_t(c);
    return text;
  }
  void AlignToDword() { p_ = base_ + ((p_ - base_ + 3) & ~3); }

 private:
  const BYTE* base_;
  const BYTE* p_;
};

Dialog ReadDialog(const DLGTEMPLATE* data) {
  TemplateReader r(data);
  Dialog dialog;
  dialog.style = r.Next<DWORD>();
  r.Next<DWORD>();
  const WORD count = r.Next<WORD>();
  r.Next<short>();
  r.Next<short>();
  dialog.cx = r.Next<short>();
  dialog.cy = r.Next<short>();
  r.SzOrOrd();  // menu
  dialog.window_class = r.SzOrOrd();
  dialog.caption = r.SzOrOrd();
  if (dialog.style & DS_SETFONT) {
    dialog.point_size = r.Next<WORD>();
    dialog.font = r.SzOrOrd();
  }
  for (WORD i = 0; i < count; ++i) {
    r.AlignToDword();
    DialogItem item;
    item.style = r.Next<DWORD>();
    r.Next<DWORD>();
    item.x = r.Next<short>();
    item.y = r.Next<short>();
    item.cx = r.Next<short>();
    item.cy = r.Next<short>();
    item.id = r.Next<WORD>();
    item.window_class = r.SzOrOrd();
    item.text = r.SzOrOrd();
    const WORD extra = r.Next<WORD>();
    for (WORD b = 0; b < extra; ++b) r.Next<BYTE>();
    dialog.items.push_back(item);
  }
  return dialog;
}

// windres stores class names upper-cased; the system looks classes up
// without regard to case.
bool SameClass(const std::u16string& stored, const char16_t* expected) {
  return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(stored.c_str()), -1,
                              reinterpret_cast<const wchar_t*>(expected), -1, TRUE) == CSTR_EQUAL;
}

void ExpectAt(const DialogItem& item, short x, short y, short cx, short cy) {
  EXPECT_EQ(item.x, x) << item.id;
  EXPECT_EQ(item.y, y) << item.id;
  EXPECT_EQ(item.cx, cx) << item.id;
  EXPECT_EQ(item.cy, cy) << item.id;
}

TEST(MainDialog, TemplateOfBothLanguages) {
  for (Language language : kLanguages) {
    SCOPED_TRACE(Name(language));
    const DLGTEMPLATE* data = DialogTemplateFor(Self(), language, IDD_MAIN);
    ASSERT_NE(data, nullptr);
    ASSERT_NE(reinterpret_cast<const WORD*>(data)[1], 0xFFFF) << "a plain DLGTEMPLATE";
    const Dialog dialog = ReadDialog(data);
    EXPECT_EQ(dialog.style & ~DS_SETFONT,
              DWORD(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(dialog.cx, 330);
    EXPECT_EQ(dialog.cy, 263);
    EXPECT_TRUE(SameClass(dialog.window_class, u"CVormakDlg"));
    EXPECT_EQ(dialog.caption, u"Halvane Quenby Ver3.0.7");
    EXPECT_EQ(dialog.point_size, 9);
    EXPECT_EQ(dialog.font, language == Language::English ? u"MS Shell Dlg" : u"MS UI Gothic");
    ASSERT_EQ(dialog.items.size(), 5u);

    const DialogItem& label = dialog.items[0];
    EXPECT_TRUE(SameClass(label.window_class, u"Static"));
    EXPECT_EQ(label.style & SS_TYPEMASK, DWORD(SS_LEFT));
    EXPECT_EQ(label.text, language == Language::English ? u"Drive List" : u"ドライブ一覧");
    ExpectAt(label, 9, 4, 107, 8);

    const DialogItem& list = dialog.items[1];
    EXPECT_EQ(list.id, IDC_DRIVE_LIST);
    EXPECT_TRUE(SameClass(list.window_class, u"SysListView32"));
    const DWORD list_style =
        LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP;
    EXPECT_EQ(list.style & list_style, list_style);
    ExpectAt(list, 7, 15, 316, 53);

    const DialogItem& tab = dialog.items[2];
    EXPECT_EQ(tab.id, IDC_TAB);
    EXPECT_TRUE(SameClass(tab.window_class, u"SysTabControl32"));
    ExpectAt(tab, 12, 73, 307, 180);

    const DialogItem& frame = dialog.items[3];
    EXPECT_EQ(frame.id, IDC_PAGE_FRAME);
    EXPECT_TRUE(SameClass(frame.window_class, u"Static"));
    ExpectAt(frame, 14, 88, 300, 160);

    const DialogItem& state = dialog.items[4];
    EXPECT_EQ(state.id, IDC_LIST_STATE);
    EXPECT_EQ(state.text, u"");
  }
}

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

// The main dialog's class, as the application registers it.
void RegisterDialogClass() {
  WNDCLASSW dialog_class = {};
  ASSERT_TRUE(GetClassInfoW(nullptr, L"#32770", &dialog_class));
  dialog_class.lpszClassName = L"CVormakDlg";
  dialog_class.hInstance = Self();
  RegisterClassW(&dialog_class);
}

TEST(MainDialog, CreatesWithItsControlsAndTheSixPagesFitTheFrame) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  ASSERT_TRUE(InitCommonControlsEx(&controls));
  RegisterDialogClass();
  const unsigned pages[] = {IDD_PAGE_HDD_INFO, IDD_PAGE_SMART, IDD_PAGE_SETTING,
                            IDD_PAGE_LOG,      IDD_PAGE_GRAPH, IDD_PAGE_MAIL};
  for (Language language : kLanguages) {
    SCOPED_TRACE(Name(language));
    HWND dialog = CreateDialogIndirectParamW(Self(), DialogTemplateFor(Self(), language, IDD_MAIN),
                                             nullptr, NoDialogProc, 0);
    ASSERT_NE(dialog, nullptr) << GetLastError();
    EXPECT_FALSE(IsWindowVisible(dialog));
    wchar_t name[64] = {};
    GetClassNameW(dialog, name, 64);
    EXPECT_STREQ(name, L"CVormakDlg");
    GetClassNameW(GetDlgItem(dialog, IDC_DRIVE_LIST), name, 64);
    EXPECT_STREQ(name, L"SysListView32");
    GetClassNameW(GetDlgItem(dialog, IDC_TAB), name, 64);
    EXPECT_STREQ(name, L"SysTabControl32");

    RECT frame = {};
    GetWindowRect(GetDlgItem(dialog, IDC_PAGE_FRAME), &frame);
    for (unsigned id : pages) {
      const DLGTEMPLATE* data = DialogTemplateFor(Self(), language, id);
      ASSERT_NE(data, nullptr) << id;
      EXPECT_EQ(data->style & ~DS_SETFONT, DWORD(DS_CONTROL | WS_CHILD)) << id;
      HWND page = CreateDialogIndirectParamW(Self(), data, dialog, NoDialogProc, 0);
      ASSERT_NE(page, nullptr) << id;
      RECT client = {};
      GetClientRect(page, &client);
      EXPECT_EQ(client.right, frame.right - frame.left) << id;
      EXPECT_EQ(client.bottom, frame.bottom - frame.top) << id;
      EXPECT_FALSE(IsWindowVisible(page)) << id;
    }
    DestroyWindow(dialog);
  }
}

struct IconLook {
  LONG width = 0, height = 0;
  int bluish = 0, reddish = 0;
};

IconLook Look(unsigned id) {
  IconLook look;
  HICON icon = static_cast<HICON>(
      LoadImageW(Self(), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
  if (!icon) return look;
  ICONINFO info = {};
  GetIconInfo(icon, &info);
  BITMAP bitmap = {};
  GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
  look.width = bitmap.bmWidth;
  look.height = bitmap.bmHeight;
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = 16;
  format.bmiHeader.biHeight = -16;  // top-down
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  RGBQUAD pixels[16 * 16] = {};
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, info.hbmColor, 0, 16, pixels, &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (const RGBQUAD& p : pixels) {
    if (p.rgbBlue > p.rgbRed + 40) ++look.bluish;
    if (p.rgbRed > p.rgbBlue + 40) ++look.reddish;
  }
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
  return look;
}

WORD StoredBitCount(unsigned id) {
  HRSRC group = FindResourceW(Self(), MAKEINTRESOURCEW(id), RT_GROUP_ICON);
  if (!group) return 0;
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(Self(), group)));
  // GRPICONDIR: three WORDs, then 14-byte entries whose bit count is at 6.
  if (SizeofResource(Self(), group) < 6 + 14 || data[4] != 1) return 0;
  WORD bits;
  memcpy(&bits, data + 6 + 6, sizeof bits);
  return bits;
}

TEST(Icons, LightBlueRedAndGreyDrivesOf16Pixels) {
  const IconLook normal = Look(IDI_APP);
  EXPECT_EQ(normal.width, 16);
  EXPECT_EQ(normal.height, 16);
  EXPECT_GT(normal.bluish, 100);
  EXPECT_EQ(normal.reddish, 0);
  EXPECT_EQ(StoredBitCount(IDI_APP), 32);

  const IconLook warning = Look(IDI_APP_WARNING);
  EXPECT_EQ(warning.width, 16);
  EXPECT_EQ(warning.height, 16);
  EXPECT_GT(warning.reddish, 100);
  EXPECT_EQ(warning.bluish, 0);
  EXPECT_EQ(StoredBitCount(IDI_APP_WARNING), 8);

  const IconLook sleeping = Look(IDI_APP_SLEEPING);
  EXPECT_EQ(sleeping.width, 16);
  EXPECT_EQ(sleeping.bluish + sleeping.reddish, 0) << "grey";
}

}  // namespace
}  // namespace ardmon
