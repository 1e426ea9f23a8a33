#include "disklib/sim/fixture_json.h"

#include <cctype>

namespace disklib::sim {

ObjectReader::ObjectReader(const Json& json, std::string where)
    : json_(json), where_(std::move(where)) {
  if (!json_.is_object()) Fail("expected an object");
}

void ObjectReader::Fail(const std::string& what) const {
  throw FixtureError(where_ + ": " + what);
}

std::string ObjectReader::Where(std::string_view key) const {
  return where_ + "." + std::string(key);
}

bool ObjectReader::Has(const char* key) {
  seen_.insert(key);
  return json_.contains(key);
}

const Json& ObjectReader::Get(const char* key) {
  if (!Has(key)) Fail(std::string("missing \"") + key + "\"");
  return json_.at(key);
}

std::string ObjectReader::String(const char* key, std::optional<std::string> fallback) {
  if (fallback && !Has(key)) return *fallback;
  const Json& value = Get(key);
  if (!value.is_string()) Fail(std::string("\"") + key + "\" must be a string");
  return value.get<std::string>();
}

bool ObjectReader::Bool(const char* key, bool fallback) {
  if (!Has(key)) return fallback;
  const Json& value = json_.at(key);
  if (!value.is_boolean()) Fail(std::string("\"") + key + "\" must be true or false");
  return value.get<bool>();
}

std::uint64_t ObjectReader::Unsigned(const char* key, std::uint64_t max,
                                     std::optional<std::uint64_t> fallback) {
  if (fallback && !Has(key)) return *fallback;
  const Json& value = Get(key);
  if (!value.is_number_unsigned() || value.get<std::uint64_t>() > max) {
    Fail(std::string("\"") + key + "\" must be an integer from 0 to " + std::to_string(max));
  }
  return value.get<std::uint64_t>();
}

std::optional<std::vector<std::string>> ObjectReader::StringList(const char* key) {
  if (!Has(key)) return std::nullopt;
  const Json& value = json_.at(key);
  if (!value.is_array()) Fail(std::string("\"") + key + "\" must be a list of strings");
  std::vector<std::string> list;
  for (const Json& item : value) {
    if (!item.is_string()) Fail(std::string("\"") + key + "\" must be a list of strings");
    list.push_back(item.get<std::string>());
  }
  return list;
}

const Json& ObjectReader::List(const char* key) {
  static const Json kEmpty = Json::array();
  if (!Has(key)) return kEmpty;
  const Json& value = json_.at(key);
  if (!value.is_array()) Fail(std::string("\"") + key + "\" must be a list");
  return value;
}

void ObjectReader::Finish() const {
  for (auto it = json_.begin(); it != json_.end(); ++it) {
    if (!seen_.count(it.key())) Fail("unknown key \"" + it.key() + "\"");
  }
}

std::string Indexed(const std::string& where, std::size_t i) {
  return where + "[" + std::to_string(i) + "]";
}

std::string Bounded(ObjectReader& reader, const char* key, std::size_t max) {
  std::string text = reader.String(key, std::string());
  if (text.size() > max) {
    reader.Fail(std::string("\"") + key + "\" holds at most " + std::to_string(max) +
                " characters");
  }
  return text;
}

Sector ParseSector(const Json& value, const std::string& where) {
  if (!value.is_string()) throw FixtureError(where + ": a sector is a string of hex digits");
  std::string digits;
  for (char c : value.get<std::string>()) {
    if (std::isxdigit(static_cast<unsigned char>(c))) {
      digits += c;
    } else if (!std::isspace(static_cast<unsigned char>(c))) {
      throw FixtureError(where + ": a sector is a string of hex digits");
    }
  }
  Sector sector{};
  if (digits.size() != 2 * sector.size()) {
    throw FixtureError(where + ": a sector needs 1024 hex digits, got " +
                       std::to_string(digits.size()));
  }
  for (std::size_t i = 0; i < sector.size(); ++i) {
    sector[i] = static_cast<std::uint8_t>(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
  }
  return sector;
}

// Groups of 16 bytes keep a written sector readable.
std::string SectorText(const Sector& sector) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < sector.size(); ++i) {
    if (i != 0 && i % 16 == 0) text += ' ';
    text += kHex[sector[i] >> 4];
    text += kHex[sector[i] & 0xF];
  }
  return text;
}

}  // namespace disklib::sim
