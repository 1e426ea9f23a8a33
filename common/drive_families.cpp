#include "common/drive_families.h"

#include <iterator>

namespace ardmon {

// From the makers' and users' public accounts of these drives, as the
// smartmontools drive database records them.
const DriveFamily kDriveFamilies[] = {
    {"Maxtor DiamondMax D540X-4G, 16, Plus 9, 10; MaXLine II, III, Plus II",
     "Maxtor 4G120J6|Maxtor 4G160J[68]|Maxtor 4R0[68]0[JL]0|Maxtor 4R1[26]0L0|Maxtor 4R120L4|"
     "Maxtor 4A160J0|Maxtor 6Y0[68]0[LPM]0|Maxtor 6Y1[26]0[LPM]0|Maxtor 6Y2[05]0[PM]0|"
     "Maxtor 6B[0-3][0-9]0[MPRS]0|Maxtor 6L[0-3][0-9]0[LMPRS]0|Maxtor 7Y250[PM]0|"
     "Maxtor [45]A250[JN]0|Maxtor [45]A3[02]0[JN]0|Maxtor 7L250[RS]0|Maxtor 7L300[RS]0",
     "",
     PowerOnUnit::Minutes,
     false,
     {}},
    {"Toshiba 2.5\" MK..51GSY, MK..56GSY, MK..61GSY, MK..76GSX",
     "TOSHIBA MK??51GSY|TOSHIBA MK??56GSY|TOSHIBA MK??56GSYF|TOSHIBA MK??61GSY|"
     "TOSHIBA MK??61GSYN|TOSHIBA MK??76GSX",
     "",
     PowerOnUnit::Minutes,
     false,
     {}},
    {"Fujitsu MHG, MHH, MHJ, MHK, MHN, MHT, MHU, MHV, MPA to MPG",
     "FUJITSU MH[GHJKU]2???AT*|FUJITSU MHN2???AT|FUJITSU MHT2???A[CHST]*|FUJITSU MHT2???BH*|"
     "FUJITSU MHV2???[AB][HST]*|FUJITSU MP[A-G]3???A[EHTV]*",
     "",
     PowerOnUnit::Seconds,
     false,
     {}},
    {"Samsung SpinPoint V60 SV4012H, V80, M40/60/80, M",
     "SAMSUNG SV4012H|SAMSUNG SV0211N|SAMSUNG SV0401N|SAMSUNG SV0612N|SAMSUNG SV0802N|"
     "SAMSUNG SV1203N|SAMSUNG SV1604N|SAMSUNG HM0[468]0H[CI]|SAMSUNG HM120I[CI]|"
     "SAMSUNG HM1[026]0J[CI]|SAMSUNG MP0302H|SAMSUNG MP0402H|SAMSUNG MP0603H|SAMSUNG MP0804H",
     "",
     PowerOnUnit::HalfMinutes,
     false,
     {}},
    {"Samsung SV0412H, SV1204H",
     "SAMSUNG SV0412H|SAMSUNG SV1204H",
     "",
     PowerOnUnit::HalfMinutes,
     true,
     {}},
    // Phison controllers fill 197 with a pattern (64646464h), not a count.
    {"Phison S8 to S11 SSDs, by their firmware",
     "*",
     "S[89AB]FM[0-9][0-9].[0-9]",
     PowerOnUnit::Hours,
     false,
     {197}},
};
const std::size_t kDriveFamilyCount = std::size(kDriveFamilies);

namespace {

// Whether the text's character c is one of the set "[...]" that begins the
// pattern; `length` receives the set's length with its brackets.
bool InSet(std::string_view pattern, char c, std::size_t& length) {
  const std::size_t close = pattern.find(']', 1);
  length = close == std::string_view::npos ? pattern.size() : close + 1;
  for (std::size_t i = 1; i < length - 1; ++i) {
    if (i + 2 < length - 1 && pattern[i + 1] == '-') {
      if (c >= pattern[i] && c <= pattern[i + 2]) return true;
      i += 2;
    } else if (c == pattern[i]) {
      return true;
    }
  }
  return false;
}

bool Glob(std::string_view pattern, std::string_view text) {
  while (!pattern.empty()) {
    if (pattern[0] == '*') {
      pattern.remove_prefix(1);
      for (std::size_t skip = 0; skip <= text.size(); ++skip) {
        if (Glob(pattern, text.substr(skip))) return true;
      }
      return false;
    }
    if (text.empty()) return false;
    std::size_t length = 1;
    if (pattern[0] == '[') {
      if (!InSet(pattern, text[0], length)) return false;
    } else if (pattern[0] != '?' && pattern[0] != text[0]) {
      return false;
    }
    pattern.remove_prefix(length);
    text.remove_prefix(1);
  }
  return text.empty();
}

}  // namespace

bool MatchesPattern(std::string_view patterns, std::string_view text) {
  for (;;) {
    const std::size_t bar = patterns.find('|');
    if (Glob(patterns.substr(0, bar), text)) return true;
    if (bar == std::string_view::npos) return false;
    patterns.remove_prefix(bar + 1);
  }
}

const DriveFamily* FindDriveFamily(std::string_view model, std::string_view firmware) {
  for (const DriveFamily& family : kDriveFamilies) {
    if (MatchesPattern(family.models, model) &&
        (*family.firmware == '\0' || MatchesPattern(family.firmware, firmware))) {
      return &family;
    }
  }
  return nullptr;
}

}  // namespace ardmon
