#include "fuzz/support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "binding/host_binding.h"
#include "binding/plugin_state.h"
#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"

namespace fuzz {

const std::string& WorkFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "kronilog-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::filesystem::current_path(pattern);
    return pattern;
  }();
  return folder;
}

host::Options QuietOptions() {
  host::Options options;
  options.shopDir = std::filesystem::path(KRONILOG_SOURCE_DIR) / "tests" / "export" / "data" / "golden_shop";
  options.today = "15.03.26";
  options.now = "10:20:30";
  options.seed = 7;
  options.outbox = std::filesystem::path(WorkFolder()) / "outbox";
  options.instantSleep = true;
  options.quietTerminal = true;
  return options;
}

void BindToEmulator(const host::Options& options) {
  WorkFolder();
  host::ResetHost(options);
  hostModule = host::RegisterWarnikModule();
  ResetHostBinding();
  if (BindAllHostServices() != 0) std::abort();
}

void CheckNothingLeft(const char* where) {
  if (host::OutstandingBlocks() != 0 || host::OpenFiles() != 0) {
    std::fprintf(stderr, "%s: %d host blocks and %d host files left behind\n", where,
                 host::OutstandingBlocks(), host::OpenFiles());
    std::abort();
  }
}

std::string Text(const std::uint8_t* data, std::size_t size, std::size_t limit) {
  std::string text(reinterpret_cast<const char*>(data), size < limit ? size : limit);
  std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

void WriteFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) std::abort();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace fuzz
