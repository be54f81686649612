// The host's file services on the C library's buffered files.
#include "host/files/files.h"

#include <fnmatch.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <vector>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/system/file_open.h"
#include "host/texts/codepages.h"

// What a host file handle points to; only this file knows.
struct HostFile {
  std::FILE* native = nullptr;
  std::vector<char> buffer;
};

namespace host {
namespace {

constexpr std::size_t kFileBufferSize = 64 * 1024;

struct Files {
  std::unordered_set<HostFile*> open;
  HostFile* lastChecked = nullptr;  // the handle Known() last found open: a file is read or
                                    // written many times in a row
  std::string failPattern;

  // A new session closes what the last one left open.
  void Release() {
    for (HostFile* file : open) {
      std::fclose(file->native);
      delete file;
    }
  }
};

Files& files() { return SessionState<Files>(); }

// The handle when the host gave it out and it is still open, otherwise null.
HostFile* Known(HostFile* file) {
  if (file == nullptr) return nullptr;
  Files& f = files();
  if (file == f.lastChecked) return file;
  if (f.open.count(file) == 0) {
    Say("file service: a handle the host did not give out was refused");
    return nullptr;
  }
  f.lastChecked = file;
  return file;
}

// "r", "w" or "a", then any of "+", "b", "t"; the C library's mode without the "t".
bool NativeMode(const char* mode, std::string* native) {
  if (mode == nullptr || (mode[0] != 'r' && mode[0] != 'w' && mode[0] != 'a')) return false;
  native->assign(1, mode[0]);
  for (const char* c = mode + 1; *c != '\0'; ++c) {
    if (*c == '+' || *c == 'b') {
      if (native->find(*c) != std::string::npos) return false;
      native->push_back(*c);
    } else if (*c != 't') {
      return false;
    }
  }
  return true;
}

HostFile* Open(const char* path, const char* mode) {
  std::string native;
  bool valid = path != nullptr && path[0] != '\0' && NativeMode(mode, &native);
  std::filesystem::path nativePath = valid ? NativePath(path) : std::filesystem::path();
  HostFile* result = nullptr;
  std::string refusal;
  if (valid) {
    Files& f = files();
    bool refused = !f.failPattern.empty() &&
                   fnmatch(f.failPattern.c_str(), nativePath.string().c_str(), 0) == 0;
    errno = EIO;
    std::FILE* opened = refused ? nullptr : OpenServiceFile(nativePath, native);
    if (opened != nullptr) {
      auto file = std::make_unique<HostFile>();
      file->native = opened;
      file->buffer.resize(kFileBufferSize);
      std::setvbuf(opened, file->buffer.data(), _IOFBF, file->buffer.size());
      result = file.release();
      f.open.insert(result);
    } else if (errno == ELOOP) {
      refusal = "a symbolic link: the host does not write through one";
    } else {
      refusal = std::strerror(errno);
    }
  }
  nlohmann::json event = {{"event", "file-open"},
                          {"path", path != nullptr ? MazoviaToUtf8(path) : std::string()},
                          {"mode", mode != nullptr ? MazoviaToUtf8(mode) : std::string()},
                          {"ok", result != nullptr}};
  if (!refusal.empty()) event["reason"] = refusal;
  Journal(event);
  return result;
}

}  // namespace

std::filesystem::path NativePath(std::string_view dosPath) {
  std::string path = MazoviaToUtf8(dosPath);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::path(path);
}

int OpenFiles() { return static_cast<int>(files().open.size()); }

void FailFileOpens(const std::string& pattern) { files().failPattern = pattern; }

HostFile* HOSTAPI HostOpenFile(const char* path, const char* mode, int share, int attributes,
                               int access) {
  // Sharing, attributes and access (the plug-in always passes kOpenShareDenyNone,
  // kOpenNoAttributes and kOpenAccessOfMode) mean nothing here.
  (void)share;
  (void)attributes;
  (void)access;
  return Open(path, mode);
}

HostFile* HOSTAPI HostOpenFilePlain(const char* path, const char* mode) { return Open(path, mode); }

int HOSTAPI HostCloseFile(HostFile* file) {
  HostFile* known = Known(file);
  if (known == nullptr) return -1;
  files().open.erase(known);
  if (files().lastChecked == known) files().lastChecked = nullptr;
  int result = std::fclose(known->native);
  delete known;
  return result == 0 ? 0 : -1;
}

int HOSTAPI HostSeekFile(HostFile* file, int offset, int origin) {
  HostFile* known = Known(file);
  if (known == nullptr || origin < SEEK_SET || origin > SEEK_END) return -1;
  static_assert(SEEK_SET == 0 && SEEK_CUR == 1 && SEEK_END == 2, "the host's origins");
  return std::fseek(known->native, offset, origin) == 0 ? 0 : -1;
}

int HOSTAPI HostReadFile(void* buffer, int size, int count, HostFile* file) {
  HostFile* known = Known(file);
  if (known == nullptr || buffer == nullptr || size <= 0 || count <= 0) return 0;
  return static_cast<int>(std::fread(buffer, static_cast<std::size_t>(size),
                                     static_cast<std::size_t>(count), known->native));
}

int HOSTAPI HostWriteFile(const void* buffer, int size, int count, HostFile* file) {
  HostFile* known = Known(file);
  if (known == nullptr || buffer == nullptr || size <= 0 || count <= 0) return 0;
  return static_cast<int>(std::fwrite(buffer, static_cast<std::size_t>(size),
                                      static_cast<std::size_t>(count), known->native));
}

int HOSTAPI HostTellFile(HostFile* file) {
  HostFile* known = Known(file);
  if (known == nullptr) return -1;
  long position = std::ftell(known->native);
  return position >= 0 && position <= INT_MAX ? static_cast<int>(position) : -1;
}

char* HOSTAPI HostReadLine(char* buffer, int size, HostFile* file) {
  HostFile* known = Known(file);
  // A buffer with no room for a character would never reach the end of the file.
  if (known == nullptr || buffer == nullptr || size < 2) return nullptr;
  return std::fgets(buffer, size, known->native);
}

int HOSTAPI_CC HostFilePrintf(HostFile* file, const char* format, ...) {
  HostFile* known = Known(file);
  if (known == nullptr || format == nullptr) return -1;
  va_list values;
  // "%s" and "%s\n" carry every piece of the plug-in's output: written without a trip
  // through the formatter, with the same result.
  if (format[0] == '%' && format[1] == 's' && (format[2] == '\0' || (format[2] == '\n' && format[3] == '\0'))) {
    va_start(values, format);
    const char* text = va_arg(values, const char*);
    va_end(values);
    if (text == nullptr) text = "(null)";
    std::size_t length = std::strlen(text);
    bool lineEnd = format[2] == '\n';
    if (std::fwrite(text, 1, length, known->native) != length) return -1;
    if (lineEnd && std::fputc('\n', known->native) == EOF) return -1;
    return static_cast<int>(length + (lineEnd ? 1 : 0));
  }
  va_start(values, format);
  int written = std::vfprintf(known->native, format, values);
  va_end(values);
  return written;
}

}  // namespace host
