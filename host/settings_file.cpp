// The host's settings service: Kronilog.ini as INI text in the current folder.
#include "host/settings_file.h"

#if defined(_WIN32)
#include "host/win32/replace_file.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/codepages.h"
#include "host/files.h"
#include "host/host.h"
#include "host/services.h"

namespace host {
namespace {

constexpr int kModeRead = 8;
constexpr int kModeWrite = 9;

// The keys of Kronilog.ini as the plug-in's readers hold them: a text is cut to its reader's
// buffer less the NUL.
constexpr KnownSetting kKnownSettings[] = {
    {"ustawieniaRaportu", "idPartnera", "%ld", 0},
    {"ustawieniaRaportu", "nazwaSklepu", "%s", 99},
    {"ustawieniaRaportu", "wykluczonaGrupa", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa2", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa3", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa4", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa5", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa6", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa7", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa8", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa9", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa10", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa11", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa12", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa13", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa14", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa15", "%d", 0},
    {"ustawieniaEmail", "hostSMTP", "%s", 199},
    {"ustawieniaEmail", "login", "%s", 49},
    {"ustawieniaEmail", "haslo", "%s", 49},
    {"ustawieniaEmail", "adresat", "%s", 149},
    {"ustawieniaEmail", "uwierzytelnienie", "%d", 0},
    {"odczytParagonowZKas", "Kasa01", "%d", 0},
    {"odczytParagonowZKas", "Kasa02", "%d", 0},
    {"odczytParagonowZKas", "Kasa03", "%d", 0},
    {"odczytParagonowZKas", "Kasa04", "%d", 0},
    {"odczytParagonowZKas", "Kasa05", "%d", 0},
    {"odczytParagonowZKas", "Kasa06", "%d", 0},
    {"odczytParagonowZKas", "Kasa07", "%d", 0},
    {"odczytParagonowZKas", "Kasa08", "%d", 0},
    {"odczytParagonowZKas", "Kasa09", "%d", 0},
    {"odczytParagonowZKas", "Kasa10", "%d", 0},
    {"danePomocnicze", "DataOstatniegoEksportu", "%s", 11},
    {"danePomocnicze", "DataNieudanejProby", "%s", 11},
    {"danePomocnicze", "OstatniOdczyt", "%s", 99},
};

long failWritesAfter = -1;

void ResetSettings() { failWritesAfter = -1; }

void RegisterReset() {
  static const bool registered = (OnHostReset(&ResetSettings), true);
  (void)registered;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool UsableName(std::string_view name, std::string_view forbidden) {
  if (name.empty() || IsBlank(name.front()) || IsBlank(name.back())) return false;
  for (char c : name) {
    if (c == '\r' || c == '\n' || forbidden.find(c) != std::string_view::npos) return false;
  }
  return true;
}
bool UsableSection(std::string_view name) { return UsableName(name, "]"); }
bool UsableKey(std::string_view name) {
  return UsableName(name, "=") && name.front() != '[' && name.front() != ';' && name.front() != '#';
}

// One line of the file with its own line end ("\n", "\r\n", or none on a last line).
struct Line {
  std::string text;
  std::string end;
};

enum class Kind { Other, Section, Key };
struct Parsed {
  Kind kind = Kind::Other;
  std::string_view name;
  std::size_t valueStart = 0;  // Key: where the value (with its spaces) begins in the text
};

Parsed Parse(const std::string& text) {
  Parsed parsed;
  std::string_view line = text;
  std::size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  if (start == line.size() || line[start] == ';' || line[start] == '#') return parsed;
  if (line[start] == '[') {
    std::size_t close = line.find(']', start);
    if (close == std::string_view::npos) return parsed;
    parsed.kind = Kind::Section;
    parsed.name = Trim(line.substr(start + 1, close - start - 1));
    return parsed;
  }
  std::size_t equals = line.find('=', start);
  if (equals == std::string_view::npos) return parsed;
  parsed.name = Trim(line.substr(start, equals - start));
  if (parsed.name.empty()) return parsed;
  parsed.kind = Kind::Key;
  parsed.valueStart = equals + 1;
  return parsed;
}

std::string DecodeValue(std::string_view stored) {
  stored = Trim(stored);
  if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"') {
    stored = stored.substr(1, stored.size() - 2);
  }
  return std::string(stored);
}

std::string EncodeValue(const std::string& value) {
  bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                                  (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
  return quote ? "\"" + value + "\"" : value;
}

struct Document {
  std::vector<Line> lines;
  std::string newLine = "\n";  // what lines added to the file end with
};

Document SplitLines(const std::string& content) {
  Document document;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t feed = content.find('\n', start);
    Line line;
    if (feed == std::string::npos) {
      line.text = content.substr(start);
      start = content.size();
    } else {
      line.text = content.substr(start, feed - start);
      line.end = "\n";
      if (!line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
        line.end = "\r\n";
        document.newLine = "\r\n";
      }
      start = feed + 1;
    }
    document.lines.push_back(std::move(line));
  }
  return document;
}

std::string JoinLines(const Document& document) {
  std::size_t size = 0;
  for (const Line& line : document.lines) size += line.text.size() + line.end.size();
  std::string content;
  content.reserve(size);
  for (const Line& line : document.lines) {
    content += line.text;
    content += line.end;
  }
  return content;
}

struct Location {
  bool sectionFound = false;
  std::size_t sectionEnd = 0;  // the line after the section's last line
  bool keyFound = false;
  std::size_t keyLine = 0;
};

Location Locate(const Document& document, std::string_view section, std::string_view key) {
  Location location;
  for (std::size_t i = 0; i < document.lines.size(); ++i) {
    Parsed parsed = Parse(document.lines[i].text);
    if (parsed.kind == Kind::Section) {
      if (location.sectionFound) break;
      location.sectionFound = SameName(parsed.name, section);
    } else if (location.sectionFound && !location.keyFound && parsed.kind == Kind::Key &&
               SameName(parsed.name, key)) {
      location.keyFound = true;
      location.keyLine = i;
    }
    if (location.sectionFound) location.sectionEnd = i + 1;
  }
  return location;
}

enum class Loaded { Ok, Missing, Unreadable };

Loaded LoadFile(const std::filesystem::path& path, std::string* content) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return error ? Loaded::Unreadable : Loaded::Missing;
  std::ifstream in(path, std::ios::binary);
  if (!in) return Loaded::Unreadable;
  std::ostringstream whole;
  whole << in.rdbuf();
  if (in.bad()) return Loaded::Unreadable;
  *content = std::move(whole).str();
  return Loaded::Ok;
}

#if !defined(_WIN32)
// Writes all of data, or as much as the test hook lets through; false on any failure.
bool WriteAll(int fd, const std::string& data) {
  std::size_t limit = data.size();
  bool cut = failWritesAfter >= 0 && static_cast<std::size_t>(failWritesAfter) < limit;
  if (cut) limit = static_cast<std::size_t>(failWritesAfter);
  std::size_t done = 0;
  while (done < limit) {
    ssize_t written = ::write(fd, data.data() + done, limit - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  if (cut) errno = ENOSPC;
  return !cut;
}

#endif

// Files left beside the settings file by a write that was cut short (the process died
// before its rename). One host writes the file at a time, so any such file is stale.
void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& prefix) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::string name = entry.path().filename().string();
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
      std::filesystem::remove(entry.path(), error);
    }
  }
}

// The new content goes into a file beside the old one, reaches the disk, and then takes the
// old one's name in one step: whenever the process stops, the file is the old or the new one.
#if defined(_WIN32)
bool ReplaceFile(const std::filesystem::path& target, const std::string& content) {
  std::filesystem::path folder = target.parent_path();
  RemoveStaleTemporaries(folder.empty() ? "." : folder, target.filename().string() + ".tmp-");
  return win32::ReplaceFileContent(target, content, failWritesAfter);
}
#else
bool ReplaceFile(const std::filesystem::path& target, const std::string& content) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const std::string prefix = target.filename().string() + ".tmp-";
  RemoveStaleTemporaries(folder, prefix);
  std::string name = (folder / (prefix + "XXXXXX")).string();
  int fd = ::mkstemp(name.data());
  if (fd < 0) return false;

  struct stat old {};
  mode_t mode = 0;
  if (::stat(target.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  errno = 0;
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
  int failure = ok ? 0 : (errno != 0 ? errno : ENOSPC);
  if (::close(fd) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && ::rename(name.c_str(), target.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    ::unlink(name.c_str());
    errno = failure;
    return false;
  }
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}
#endif

bool ParseNumber(std::string_view text, long long* number) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
  }
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *number);
  return error == std::errc() && end == text.data() + text.size();
}

int Read(const std::filesystem::path& path, std::string_view section, std::string_view key,
         std::string* value) {
  std::string content;
  if (LoadFile(path, &content) != Loaded::Ok) return kIniNoFile;
  Document document = SplitLines(content);
  Location location = Locate(document, section, key);
  if (!location.sectionFound) return kIniNoSection;
  if (!location.keyFound) return kIniNoKey;
  const std::string& text = document.lines[location.keyLine].text;
  *value = DecodeValue(std::string_view(text).substr(Parse(text).valueStart));
  return kIniOk;
}

int Write(const std::filesystem::path& path, std::string_view section, std::string_view key,
          const std::string& value) {
  RegisterReset();
  if (value.find_first_of("\r\n") != std::string::npos) {
    Say("settings: a value with a line break cannot be kept in Kronilog.ini; not written");
    return kIniBadValue;
  }
  std::string content;
  Loaded loaded = LoadFile(path, &content);
  if (loaded == Loaded::Unreadable) {
    Say("settings: " + path.string() + " cannot be read, so it is not rewritten");
    return kIniWriteFailed;
  }
  Document document = SplitLines(content);
  Location location = Locate(document, section, key);
  std::string stored = EncodeValue(value);
  auto endLine = [&](std::size_t index) {
    if (document.lines[index].end.empty()) document.lines[index].end = document.newLine;
  };

  if (location.keyFound) {
    Line& line = document.lines[location.keyLine];
    std::size_t start = Parse(line.text).valueStart;
    while (start < line.text.size() && IsBlank(line.text[start])) ++start;
    line.text = line.text.substr(0, start) + stored;
  } else if (location.sectionFound) {
    // After the section's last line that is not blank, so that a blank line between
    // sections stays where it was.
    std::size_t after = location.sectionEnd;
    while (after > 0 && Trim(document.lines[after - 1].text).empty()) --after;
    endLine(after - 1);
    document.lines.insert(document.lines.begin() + static_cast<std::ptrdiff_t>(after),
                          Line{std::string(key) + "=" + stored, document.newLine});
  } else {
    if (!document.lines.empty()) {
      endLine(document.lines.size() - 1);
      if (!Trim(document.lines.back().text).empty()) document.lines.push_back({"", document.newLine});
    }
    document.lines.push_back({"[" + std::string(section) + "]", document.newLine});
    document.lines.push_back({std::string(key) + "=" + stored, document.newLine});
  }

  if (!ReplaceFile(path, JoinLines(document))) {
    Say("settings: " + path.string() + " could not be written (" + std::strerror(errno) +
        "); the file is as it was");
    return kIniWriteFailed;
  }
  Journal({{"event", "settings-write"},
           {"section", MazoviaToUtf8(section)},
           {"key", MazoviaToUtf8(key)},
           {"value", MazoviaToUtf8(value)}});
  return kIniOk;
}

bool UsableRequest(const std::string& file, std::string_view section, std::string_view key) {
  return !file.empty() && UsableSection(section) && UsableKey(key);
}

}  // namespace

const KnownSetting* FindKnownSetting(std::string_view section, std::string_view key) {
  for (const KnownSetting& known : kKnownSettings) {
    if (SameName(known.section, section) && SameName(known.key, key)) return &known;
  }
  return nullptr;
}

int SettingTextLimit(std::string_view section, std::string_view key) {
  const KnownSetting* known = FindKnownSetting(section, key);
  return known != nullptr && known->textLimit > 0 ? known->textLimit : kUnknownKeyTextLimit;
}

void FailSettingsWritesAfter(long bytes) {
  RegisterReset();
  failWritesAfter = bytes;
}

int ReadSettingText(const std::string& file, const std::string& section, const std::string& key,
                    std::string* value) {
  if (!UsableRequest(file, section, key)) return kIniBadRequest;
  return Read(NativePath(file), section, key, value);
}

int WriteSettingText(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value) {
  if (!UsableRequest(file, section, key)) return kIniBadRequest;
  return Write(NativePath(file), section, key, value);
}

int HOSTAPI_CC HostIniAccess(const char* file, int mode, const char* section, const char* key,
                             const char* format, va_list value) {
  RegisterReset();
  if (file == nullptr || section == nullptr || key == nullptr || format == nullptr ||
      !UsableRequest(file, section, key)) {
    return kIniBadRequest;
  }
  std::string_view kind = format;
  if (kind != "%s" && kind != "%d" && kind != "%ld") return kIniBadRequest;
  std::filesystem::path path = NativePath(file);

  if (mode == kModeWrite) {
    std::string text;
    if (kind == "%s") {
      const char* given = va_arg(value, const char*);
      if (given == nullptr) return kIniBadRequest;
      text = given;
    } else {
      text = std::to_string(va_arg(value, int));
    }
    return Write(path, section, key, text);
  }
  if (mode != kModeRead) return kIniBadRequest;

  void* destination = va_arg(value, void*);
  if (destination == nullptr) return kIniBadRequest;
  std::string text;
  int result = Read(path, section, key, &text);
  if (result != kIniOk) return result;

  if (kind == "%s") {
    std::size_t length = std::min(text.size(), static_cast<std::size_t>(SettingTextLimit(section, key)));
    std::memcpy(destination, text.data(), length);
    static_cast<char*>(destination)[length] = '\0';
    return kIniOk;
  }
  long long number = 0;
  if (!ParseNumber(text, &number)) return kIniBadNumber;
  if (kind == "%d") {
    auto low = static_cast<std::int16_t>(static_cast<std::uint16_t>(number & 0xFFFF));
    std::memcpy(destination, &low, sizeof low);
  } else {
    auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(number & 0xFFFFFFFF));
    std::memcpy(destination, &low, sizeof low);
  }
  return kIniOk;
}

}  // namespace host
