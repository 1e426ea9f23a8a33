// User-visible texts by string-table identifier, in one of the two resource
// languages. The identifiers are in the generated "resources/resource_ids.h".
#pragma once

#include <string>

namespace ardmon {

enum class Language { English, Japanese };

class Strings {
 public:
  virtual ~Strings() = default;
  // The text of the string, or an empty string when the set has none.
  virtual std::u16string Get(unsigned id) const = 0;
};

// The strings compiled into the program from the same source as the string
// tables of the resources; what the native tests use.
class TableStrings final : public Strings {
 public:
  explicit TableStrings(Language language) : language_(language) {}
  std::u16string Get(unsigned id) const override;

 private:
  Language language_;
};

}  // namespace ardmon
