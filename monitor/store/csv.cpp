#include "monitor/store/csv.h"

namespace monitor {

std::u16string CsvField(std::u16string_view field) {
  if (field.find_first_of(u",\"\r\n") == std::u16string_view::npos) return std::u16string(field);
  std::u16string quoted = u"\"";
  for (const char16_t c : field) {
    if (c == u'"') quoted += u'"';
    quoted += c;
  }
  quoted += u'"';
  return quoted;
}

}  // namespace monitor
