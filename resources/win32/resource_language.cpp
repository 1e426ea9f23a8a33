#include "resources/win32/resource_language.h"

namespace ardmon {
namespace {

struct ResourceData {
  const void* data = nullptr;
  DWORD size = 0;
};

ResourceData FindExact(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID language) {
  HRSRC found = FindResourceExW(module, type, name, language);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return {};
  return {LockResource(loaded), SizeofResource(module, found)};
}

ResourceData Find(HMODULE module, LPCWSTR type, LPCWSTR name, Language language) {
  ResourceData data = FindExact(module, type, name, LanguageId(language));
  if (!data.data && language != Language::English) {
    data = FindExact(module, type, name, LanguageId(Language::English));
  }
  return data;
}

// A string block holds 16 strings, each a length in UTF-16 units followed by
// that many units without terminator; absent strings have length 0.
std::u16string StringInBlock(const ResourceData& block, unsigned id) {
  const auto* p = static_cast<const char16_t*>(block.data);
  const char16_t* end = p + block.size / sizeof(char16_t);
  for (unsigned i = 0; i < id % 16; ++i) {
    if (p >= end) return {};
    p += 1 + *p;
  }
  if (p >= end || *p > end - p - 1) return {};
  return std::u16string(p + 1, *p);
}

std::u16string StringFor(HMODULE module, LANGID language, unsigned id) {
  ResourceData block = FindExact(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
  return block.data ? StringInBlock(block, id) : std::u16string();
}

}  // namespace

LANGID LanguageId(Language language) {
  return language == Language::Japanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                                        : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

Language UserLanguage() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese
                                                                    : Language::English;
}

std::u16string LoadStringFor(HMODULE module, Language language, unsigned id) {
  if (id > 0xFFFF) return {};
  std::u16string text = StringFor(module, LanguageId(language), id);
  if (text.empty() && language != Language::English) {
    text = StringFor(module, LanguageId(Language::English), id);
  }
  return text;
}

HMENU LoadMenuFor(HMODULE module, Language language, unsigned id) {
  ResourceData menu = Find(module, RT_MENU, MAKEINTRESOURCEW(id), language);
  return menu.data ? LoadMenuIndirectW(menu.data) : nullptr;
}

const DLGTEMPLATE* DialogTemplateFor(HMODULE module, Language language, unsigned id) {
  return static_cast<const DLGTEMPLATE*>(
      Find(module, RT_DIALOG, MAKEINTRESOURCEW(id), language).data);
}

}  // namespace ardmon
