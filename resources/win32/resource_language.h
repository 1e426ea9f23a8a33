// Loading strings, menus and dialog templates in an explicitly chosen
// language. The plain loaders pick the language from the thread locale
// under Wine and from the UI language on Windows; asking for the language
// by its LANGID makes both behave alike. A Japanese resource that is
// missing falls back to the English one.
#pragma once

#include <windows.h>

#include <string>

#include "resources/strings.h"

namespace ardmon {

// The LANGID under which the resources of a language are stored.
LANGID LanguageId(Language language);

// Japanese when the user's UI language is Japanese, English otherwise.
Language UserLanguage();

// The string, or an empty string when neither the language nor English has it.
std::u16string LoadStringFor(HMODULE module, Language language, unsigned id);

// A new menu the caller destroys, or nullptr.
HMENU LoadMenuFor(HMODULE module, Language language, unsigned id);

// The template inside the module's image (valid while the module is loaded),
// for DialogBoxIndirectParamW and CreateDialogIndirectParamW; nullptr when
// missing.
const DLGTEMPLATE* DialogTemplateFor(HMODULE module, Language language, unsigned id);

class ResourceStrings final : public Strings {
 public:
  ResourceStrings(HMODULE module, Language language) : module_(module), language_(language) {}
  std::u16string Get(unsigned id) const override { return LoadStringFor(module_, language_, id); }

 private:
  HMODULE module_;
  Language language_;
};

}  // namespace ardmon
