// fnmatch for the Win32 host, which has none: the shell patterns the file service's test
// hook uses ('*', '?', '[set]', '[!set]', '\' quoting; no flags). Found only by the Win32
// build, through its include path.
#pragma once

#define FNM_NOMATCH 1

inline int fnmatch(const char* pattern, const char* text, int /*flags*/) {
  const char* starPattern = nullptr;  // just after the last '*'
  const char* starText = nullptr;     // where that '*' matches up to, so far
  while (*text != '\0') {
    bool matched = false;
    const char* next = pattern;
    if (*pattern == '*') {
      starPattern = ++pattern;
      starText = text;
      continue;
    }
    if (*pattern == '?') {
      matched = true;
      next = pattern + 1;
    } else if (*pattern == '[') {
      const char* p = pattern + 1;
      bool negate = *p == '!' || *p == '^';
      if (negate) ++p;
      bool inSet = false;
      bool first = true;
      while (*p != '\0' && (first || *p != ']')) {
        first = false;
        char low = *p;
        char high = low;
        if (p[1] == '-' && p[2] != '\0' && p[2] != ']') {
          high = p[2];
          p += 2;
        }
        if (*text >= low && *text <= high) inSet = true;
        ++p;
      }
      if (*p == ']') {
        matched = inSet != negate;
        next = p + 1;
      } else {
        matched = *text == '[';  // no closing bracket: an ordinary character
        next = pattern + 1;
      }
    } else if (*pattern != '\0') {
      const char* literal = pattern;
      if (*literal == '\\' && literal[1] != '\0') ++literal;
      matched = *literal == *text;
      next = literal + 1;
    }
    if (matched) {
      pattern = next;
      ++text;
    } else if (starPattern != nullptr) {
      pattern = starPattern;
      text = ++starText;
    } else {
      return FNM_NOMATCH;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0' ? 0 : FNM_NOMATCH;
}
