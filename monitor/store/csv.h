// The one quoting rule of the CSV exports.
#pragma once

#include <string>
#include <string_view>

namespace monitor {

// The field as it is, or, when it holds a comma, a double quote or a line
// break, in double quotes with each double quote doubled.
std::u16string CsvField(std::u16string_view field);

}  // namespace monitor
