// The missing-entry report on arbitrary entry names and module paths, with the message box
// answering Abort (and, for a few inputs, Retry first): the box text must be a terminated
// text, and the report must say "no fallback".
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "binding/host_binding.h"
#include "fuzz/support.h"
#include "platform/module_registry.h"

namespace {

int retries = 0;

int AnswerBox(HWND, const char* text, const char* caption, UINT type) {
  if (text == nullptr || caption == nullptr || type != 0x2012) std::abort();
  // The box text's own characters, a 299-character path, a 103-character entry and the
  // plug-in's name: what ReportMissingHostEntry makes room for.
  if (std::strlen(text) > 601) {
    std::fprintf(stderr, "a box text of %zu characters\n", std::strlen(text));
    std::abort();
  }
  if (retries > 0) {
    --retries;
    return IDRETRY;
  }
  return IDABORT;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool bound = [] {
    fuzz::BindToEmulator(fuzz::QuietOptions());
    return true;
  }();
  (void)bound;
  PlatformSetMessageBoxHandler(&AnswerBox);
  FuzzedDataProvider input(data, size);
  retries = input.ConsumeIntegralInRange(0, 2);
  bool withPath = input.ConsumeBool();
  std::string path = input.ConsumeRandomLengthString(600);
  std::string name = input.ConsumeRemainingBytesAsString();
  name = name.substr(0, name.find('\0'));
  HostEntryKey key = name.c_str();
  // Short inputs stand for an ordinal, as MAKEINTRESOURCEA makes it.
  if (name.size() <= 2) {
    unsigned ordinal = 0;
    for (unsigned char c : name) ordinal = ordinal * 256 + c;
    if (ordinal == 0) ordinal = 52028;
    key = reinterpret_cast<HostEntryKey>(static_cast<std::uintptr_t>(ordinal));
  }
  ignoreMissingEntries = 0;
  if (ReportMissingHostEntry(key, withPath ? path.c_str() : nullptr) != 0) {
    std::fprintf(stderr, "Abort gave a fallback\n");
    std::abort();
  }
  (void)ChooseFallback(key);
  return 0;
}
