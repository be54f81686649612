// The host's character sets: Mazovia (1), the Windows code page for Polish (3) and UTF-8 (6).
#pragma once

#include <string>
#include <string_view>

#include "contract/host_types.h"

namespace host {

// Converts a whole text between two of the host's code pages. A character the target cannot
// hold becomes '?'. Unknown code pages give the text unchanged.
std::string ConvertCodePage(std::string_view text, int fromCodePage, int toCodePage);

inline std::string MazoviaToUtf8(std::string_view text) {
  return ConvertCodePage(text, kCodePageMazovia, kCodePageUtf8);
}
inline std::string Utf8ToMazovia(std::string_view text) {
  return ConvertCodePage(text, kCodePageUtf8, kCodePageMazovia);
}

// 1, 3 and 6: the code pages the host knows.
bool KnownCodePage(int codePage);

}  // namespace host
