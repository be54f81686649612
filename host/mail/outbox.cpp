// Delivery into the outbox (see outbox.h).
#include "host/mail/outbox.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "host/files/temporaries.h"
#include "host/session/session_options.h"
#include "host/system/file_commit.h"

namespace host {
namespace {

// Names of more digits are not the outbox's numbers: one more than them may not fit.
constexpr std::size_t kLongestOutboxNumber = 18;

struct OutboxHooks {
  long failWritesAfter = -1;
};

// Copies the message file into out in large pieces; false on any read or write fault.
bool CopyMessage(const std::filesystem::path& source, std::FILE* out) {
  std::ifstream in(source, std::ios::binary);
  if (!in) return false;
  long allowed = SessionState<OutboxHooks>().failWritesAfter;
  std::vector<char> buffer(1 << 20);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    std::size_t got = static_cast<std::size_t>(in.gcount());
    if (got == 0) break;
    if (allowed >= 0) {
      const std::size_t through = std::min(got, static_cast<std::size_t>(allowed));
      allowed -= static_cast<long>(through);
      if (through < got) {
        std::fwrite(buffer.data(), 1, through, out);
        errno = ENOSPC;
        return false;
      }
    }
    if (std::fwrite(buffer.data(), 1, got, out) != got) return false;
  }
  return !in.bad();
}

}  // namespace

std::uint64_t HighestOutboxNumber(const std::filesystem::path& outbox) {
  std::uint64_t highest = 0;
  std::error_code error;
  for (std::filesystem::directory_iterator it(outbox, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 5 || !name.ends_with(".eml")) continue;
    const std::string_view digits(name.data(), name.size() - 4);
    if (digits.size() > kLongestOutboxNumber) continue;
    std::uint64_t number = 0;
    const auto [stop, status] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (status == std::errc() && stop == digits.data() + digits.size()) highest = std::max(highest, number);
  }
  return highest;
}

std::filesystem::path OutboxFile(const std::filesystem::path& outbox, std::uint64_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "%04" PRIu64 ".eml", number);
  return outbox / name;
}

std::filesystem::path NextOutboxFile(const std::filesystem::path& outbox) {
  return OutboxFile(outbox, HighestOutboxNumber(outbox) + 1);
}

bool DeliverToOutbox(const std::filesystem::path& outbox, const std::filesystem::path& message,
                     const std::string& added, std::filesystem::path* delivered, std::string* reason) {
  std::error_code error;
  std::filesystem::create_directories(outbox, error);
  if (error) {
    *reason = "cannot create the outbox folder " + outbox.string() + ": " + error.message();
    return false;
  }
  RemoveStaleTemporaries(outbox);
  std::filesystem::path temporary;
  std::FILE* out = CreateTemporaryBeside(NextOutboxFile(outbox), &temporary);
  if (out == nullptr) {
    *reason = "cannot create a file in the outbox folder " + outbox.string() + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(added.data(), 1, added.size(), out) == added.size() &&
                       CopyMessage(message, out);
  const int failure = errno;
  const bool closed = std::fclose(out) == 0;
  if (!written || !closed) {
    std::filesystem::remove(temporary, error);
    *reason = "cannot write the message into the outbox folder " + outbox.string() + ": " +
              std::strerror(written ? errno : failure);
    return false;
  }
  // Another session may take a number between our look and our commit, and a name may be
  // taken that is no number we count (a folder, too many digits): then a higher number.
  std::uint64_t number = HighestOutboxNumber(outbox) + 1;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path file = OutboxFile(outbox, number);
    if (CommitTemporary(temporary, file, false)) {
      *delivered = file;
      return true;
    }
    if (errno != EEXIST) break;
    number = std::max(number + 1, HighestOutboxNumber(outbox) + 1);
  }
  const int failure2 = errno;
  std::filesystem::remove(temporary, error);
  *reason = "cannot give the message its name in the outbox folder " + outbox.string() + ": " +
            std::strerror(failure2);
  return false;
}

void FailOutboxWritesAfter(long bytes) { SessionState<OutboxHooks>().failWritesAfter = bytes; }

}  // namespace host
