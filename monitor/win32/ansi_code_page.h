// The thread's ANSI code page through the platform's conversions.
#pragma once

#include "monitor/code_page.h"

namespace monitor {

class AnsiCodePage final : public CodePage {
 public:
  std::string FromUtf16(std::u16string_view text) const override;
  std::u16string ToUtf16(std::string_view bytes) const override;
};

}  // namespace monitor
