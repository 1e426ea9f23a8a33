// Base64 with the standard alphabet and padding, without line breaks.
#pragma once

#include <string>
#include <string_view>

namespace monitor {

std::string Base64Encode(std::string_view bytes);

}  // namespace monitor
