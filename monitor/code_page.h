// 8-bit text of files and mail in the system's ANSI code page. The Win32
// code page is AnsiCodePage; tests pin one with Latin1CodePage.
#pragma once

#include <string>
#include <string_view>

namespace monitor {

class CodePage {
 public:
  virtual ~CodePage() = default;
  // Characters the code page cannot hold become its default character.
  virtual std::string FromUtf16(std::u16string_view text) const = 0;
  virtual std::u16string ToUtf16(std::string_view bytes) const = 0;
};

// ISO 8859-1: every byte is the character of the same number; anything
// else becomes "?".
class Latin1CodePage final : public CodePage {
 public:
  std::string FromUtf16(std::u16string_view text) const override;
  std::u16string ToUtf16(std::string_view bytes) const override;
};

}  // namespace monitor
