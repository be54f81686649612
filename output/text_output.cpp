// Formatting into memory, formatted notices, and formatted writing to a host file in UTF-8.
#include "output/text_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "binding/host_api.h"

namespace {

// The format buffer of one piece: the longest piece and the NUL.
constexpr int kFormatBufferSize = kLongestPiece + 1;

// A Mazovia character takes at most 3 bytes in UTF-8 (box drawing and symbols; the Polish
// letters take 2), and the NUL and some room come on top.
constexpr int kUtf8BytesPerCharacter = 3;
constexpr int kConversionSlack = 10;

// "Nie udało się zająć pamięci dla zmiennej w funkcji _fprintfUTF"
constexpr char kConversionBufferRefused[] =
    "Nie uda\x92o si\x91 zaj\x86\x8D pami\x91" "ci dla zmiennej w funkcji _fprintfUTF";

}  // namespace

int FormatText(char* buffer, std::size_t size, const char* format, ...) {
  if (buffer == nullptr || size == 0) return -1;
  va_list values;
  va_start(values, format);
  int length = std::vsnprintf(buffer, size, format, values);
  va_end(values);
  if (length < 0) {
    buffer[0] = '\0';
    return -1;
  }
  if (static_cast<std::size_t>(length) >= size) return static_cast<int>(size - 1);
  return length;
}

int _fprintfUTF(HostFile* file, const char* format, ...) {
  char* text = static_cast<char*>(HostAllocBlock(1, kFormatBufferSize));
  if (text == nullptr) return -1;

  // A piece longer than the buffer is cut at its end rather than written past it.
  text[0] = '\0';
  va_list values;
  va_start(values, format);
  int formatted = std::vsnprintf(text, kFormatBufferSize, format, values);
  va_end(values);
  if (formatted < 0) text[0] = '\0';

  int length = static_cast<int>(std::strlen(text));
  int capacity = kUtf8BytesPerCharacter * length + kConversionSlack;
  char* converted = static_cast<char*>(HostAllocBlock(1, capacity));
  if (converted == nullptr) {
    HostAlert(kConversionBufferRefused);
    HostFree(text);
    return -1;
  }

  converted[0] = '\0';
  HostConvertTextSized(converted, capacity, text, -1, kCodePageMazovia, kCodePageUtf8);
  converted[capacity - 1] = '\0';
  // Through "%s": a percent sign in the text reaches the file as it is.
  const int written = HostFilePrintf(file, "%s", converted);

  HostFree(converted);
  HostFree(text);
  return written < 0 ? -1 : 0;
}

void ShowMessageV(const char* title, const char* format, int style, ...) {
  va_list values;
  va_start(values, style);
  HostShowMessageV(0, title, format, style, values);
  va_end(values);
}
