// The emulator's settings file reader and writer on an arbitrary Kronilog.ini, read through
// the plug-in's own readers (their buffers are the ones a long value must not overrun), then
// one write that must change only its own key.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "fuzz/support.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "settings/settings.h"
#include "settings/settings_readers.h"

namespace {

void CheckText(const char* text, std::size_t size, const char* key) {
  if (strnlen(text, size) >= size) {
    std::fprintf(stderr, "%s: text without its NUL inside its buffer\n", key);
    std::abort();
  }
}

std::map<std::string, std::pair<int, std::string>> ReadEveryKey() {
  std::map<std::string, std::pair<int, std::string>> values;
  for (int i = 0; i < kSettingKeyCount; ++i) {
    const SettingKey& key = kSettingKeys[i];
    std::string value;
    int result = host::ReadSettingText(kSettingsFile, key.section, key.key, &value);
    // Found or not, and the value: why a key is missing (no section, no key) may change when
    // a write creates its section.
    values[std::string(key.section) + "/" + key.key] = {result == host::kIniOk ? 0 : 1, result == host::kIniOk ? value : ""};
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool bound = (fuzz::BindToEmulator(fuzz::QuietOptions()), true);
  (void)bound;
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  fuzz::WriteFile(kSettingsFile, content);

  ReportSettings report;
  ReadReportSettings(&report);
  CheckText(report.shopName, sizeof report.shopName, "nazwaSklepu");
  MailSettings mail;
  ReadMailSettings(&mail);
  CheckText(mail.server, sizeof mail.server, "hostSMTP");
  CheckText(mail.login, sizeof mail.login, "login");
  CheckText(mail.password, sizeof mail.password, "haslo");
  CheckText(mail.recipient, sizeof mail.recipient, "adresat");
  short flags[kCashRegisterCount];
  ReadCashRegisterFlags(flags);
  char lastExport[kLastExportDateKey.fieldSize];
  std::memset(lastExport, 'x', sizeof lastExport);
  if ((IniAccess(kSettingsFile, kIniRead, kSectionBookkeeping, kLastExportDateKey.key, "%s", lastExport) & 0xFFFF) == 0) {
    CheckText(lastExport, sizeof lastExport, kLastExportDateKey.key);
  }

  // One write changes its own key and no other; a file the host refused is never written.
  auto before = ReadEveryKey();
  const char* section = kSectionBookkeeping;
  const char* key = kLastExportDateKey.key;
  const int result = host::WriteSettingText(kSettingsFile, section, key, "14.03.26");
  if (host::SettingsFileRefusal()) {
    if (result == host::kIniOk || fuzz::ReadFile(kSettingsFile) != content) {
      std::fprintf(stderr, "a refused settings file was written\n");
      std::abort();
    }
    fuzz::CheckNothingLeft("settings");
    // The host refuses the file for the rest of its session: the next input starts a new one.
    fuzz::BindToEmulator(fuzz::QuietOptions());
    return 0;
  }
  if (result != host::kIniOk) {
    std::fprintf(stderr, "a plain write was refused\n");
    std::abort();
  }
  auto after = ReadEveryKey();
  std::string written = std::string(section) + "/" + key;
  if (after[written] != std::pair<int, std::string>{0, "14.03.26"}) {
    std::fprintf(stderr, "the written value does not read back\n");
    std::abort();
  }
  for (const auto& [name, value] : before) {
    if (name != written && after[name] != value) {
      std::fprintf(stderr, "writing %s changed %s\n", written.c_str(), name.c_str());
      std::abort();
    }
  }
  fuzz::CheckNothingLeft("settings");
  return 0;
}
