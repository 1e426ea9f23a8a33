#!/usr/bin/env python3
"""Turns strings.json, the one source of the monitor's texts and resource
identifiers, into what the build needs:

  resource_ids.h    #defines for C++ and windres
  strings_en.rc     the English STRINGTABLE
  strings_ja.rc     the Japanese STRINGTABLE
  ui_en.rc          the English dialogs and menus: ui.rci with the English labels
  ui_ja.rc          the same with the Japanese labels
  string_table.cpp  the same texts as char16_t literals for portable code

Usage: gen_strings.py strings.json OUTPUT_DIR VERSION

"{version}" in a label stands for the product's version number.

A string whose "en" is null exists in the Japanese set only. The .rc files
are UTF-8 under code page 65001; the C++ table escapes everything outside
ASCII so that it does not depend on the compiler's source character set.
"""

import json
import os
import re
import sys

C_NAME = re.compile(r"^[A-Z_][A-Z0-9_]*$")
ENGLISH = "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US"
JAPANESE = "LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT"
HEADER_NOTE = "Generated from resources/strings.json by gen_strings.py; edit that file instead."


def fail(message):
    sys.exit("gen_strings.py: " + message)


def load(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    resources = data.get("resources", {})
    labels = data.get("labels", {})
    strings = data.get("strings", [])
    names = set()
    for name, value in resources.items():
        if not C_NAME.match(name) or name in names:
            fail("bad or repeated resource name %r" % name)
        if not isinstance(value, int):
            fail("resource %s needs an integer value" % name)
        names.add(name)
    for name, texts in labels.items():
        if not name.startswith("UI_") or not C_NAME.match(name) or name in names:
            fail("bad or repeated label name %r" % name)
        if not isinstance(texts, dict) or not texts.get("en") or not texts.get("ja"):
            fail("label %s needs an English and a Japanese text" % name)
        names.add(name)
    ids = set()
    for entry in strings:
        sid, name = entry.get("id"), entry.get("name")
        if not isinstance(sid, int) or not 0 <= sid <= 0xFFFF:
            fail("string %r: the id must be 0 to 65535" % (name,))
        if sid in ids:
            fail("string id %d is used twice" % sid)
        if not isinstance(name, str) or not C_NAME.match(name) or name in names:
            fail("string %d: bad or repeated name %r" % (sid, name))
        if not entry.get("ja"):
            fail("string %d (%s) has no Japanese text" % (sid, name))
        if "en" not in entry or entry["en"] == "":
            fail("string %d (%s): give an English text, or null for Japanese only" % (sid, name))
        for lang in ("en", "ja"):
            text = entry[lang]
            if text is not None and any(ord(c) < 0x20 and c != "\n" for c in text):
                fail("string %d (%s): control characters other than LF in %s" % (sid, name, lang))
        ids.add(sid)
        names.add(name)
    return resources, labels, sorted(strings, key=lambda e: e["id"])


def ids_header(resources, strings):
    lines = ["/* " + HEADER_NOTE + " */",
             "#ifndef ARDMON_RESOURCE_IDS_H",
             "#define ARDMON_RESOURCE_IDS_H",
             ""]
    for name, value in resources.items():
        lines.append("#define %s %s" % (name, "(%d)" % value if value < 0 else value))
    lines.append("")
    for entry in strings:
        lines.append("#define %s %d" % (entry["name"], entry["id"]))
    lines += ["", "#endif"]
    return "\n".join(lines) + "\n"


def rc_literal(text):
    # windres: a quote is doubled; backslash escapes as in C.
    return '"' + text.replace("\\", "\\\\").replace('"', '""').replace("\n", "\\n") + '"'


def string_table_rc(strings, lang, language_statement):
    lines = ["/* " + HEADER_NOTE + " */",
             "#pragma code_page(65001)",
             language_statement,
             "STRINGTABLE",
             "BEGIN"]
    for entry in strings:
        if entry[lang] is not None:
            lines.append("  %d %s  /* %s */" % (entry["id"], rc_literal(entry[lang]), entry["name"]))
    lines.append("END")
    return "\n".join(lines) + "\n"


def ui_rc(labels, lang, language_statement, version):
    lines = ["/* " + HEADER_NOTE + " */",
             "#pragma code_page(65001)",
             language_statement]
    for name, texts in labels.items():
        lines.append("#define %s %s" % (name, rc_literal(texts[lang].replace("{version}", version))))
    lines.append('#include "ui.rci"')
    for name in labels:
        lines.append("#undef %s" % name)
    return "\n".join(lines) + "\n"


def cpp_literal(text):
    if text is None:
        return "nullptr"
    out = []
    for c in text:
        code = ord(c)
        if c == "\n":
            out.append("\\n")
        elif c in '"\\?':
            out.append("\\" + c)
        elif code < 0x80:
            out.append(c)
        elif code <= 0xFFFF:
            out.append("\\u%04x" % code)
        else:
            out.append("\\U%08x" % code)
    return 'u"' + "".join(out) + '"'


def string_table_cpp(strings):
    lines = ["// " + HEADER_NOTE,
             '#include "resources/string_table.h"',
             "",
             "namespace ardmon {",
             "",
             "const StringTableEntry kStringTable[] = {"]
    for entry in strings:
        lines.append("    {%d, %s, %s},  // %s" % (entry["id"], cpp_literal(entry["en"]),
                                                 cpp_literal(entry["ja"]), entry["name"]))
    lines += ["};",
              "",
              "const std::size_t kStringTableSize = sizeof kStringTable / sizeof kStringTable[0];",
              "",
              "}  // namespace ardmon"]
    return "\n".join(lines) + "\n"


def write(path, text):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def main():
    if len(sys.argv) != 4:
        fail("usage: gen_strings.py strings.json OUTPUT_DIR VERSION")
    resources, labels, strings = load(sys.argv[1])
    out, version = sys.argv[2], sys.argv[3]
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, "resource_ids.h"), ids_header(resources, strings))
    write(os.path.join(out, "strings_en.rc"),
          string_table_rc(strings, "en", ENGLISH))
    write(os.path.join(out, "strings_ja.rc"),
          string_table_rc(strings, "ja", JAPANESE))
    write(os.path.join(out, "ui_en.rc"), ui_rc(labels, "en", ENGLISH, version))
    write(os.path.join(out, "ui_ja.rc"), ui_rc(labels, "ja", JAPANESE, version))
    write(os.path.join(out, "string_table.cpp"), string_table_cpp(strings))


if __name__ == "__main__":
    main()
