#include "host/files/temporaries.h"

#include <charconv>
#include <string>
#include <system_error>

#include "host/system/process.h"

namespace host {

void RemoveStaleTemporaries(const std::filesystem::path& folder, std::string_view prefix) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    const std::size_t mark = name.rfind(".tmp-");
    if (mark == std::string::npos || name.compare(0, prefix.size(), prefix) != 0) continue;
    // ".tmp-", the process number, "-" and six characters.
    unsigned long process = 0;
    const char* digits = name.data() + mark + 5;
    const char* last = name.data() + name.size();
    const auto [after, status] = std::from_chars(digits, last, process);
    if (status != std::errc() || after == digits || last - after != 7 || *after != '-') continue;
    if (ProcessAlive(process)) continue;
    std::error_code ignored;
    std::filesystem::remove(it->path(), ignored);
  }
}

}  // namespace host
