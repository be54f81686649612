// The outbox: where the host's mail service puts a message when it does not send it over
// SMTP, one numbered file a message (0001.eml, 0002.eml, ...).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace host {

// The highest number of a "<digits>.eml" name in the outbox (0 when none): any number of up
// to 18 digits, whatever else lies there.
std::uint64_t HighestOutboxNumber(const std::filesystem::path& outbox);

// The outbox file of a number: "0001.eml", ..., "12345.eml".
std::filesystem::path OutboxFile(const std::filesystem::path& outbox, std::uint64_t number);

// The outbox file the next message goes to: one more than the highest number there.
std::filesystem::path NextOutboxFile(const std::filesystem::path& outbox);

// Puts the message file, after the header lines `added`, into the outbox under the next free
// number (one more than the highest; a higher one when that name is taken meanwhile). The file is written under a temporary name and then given its number in one step
// that never replaces an existing file, so an outbox file is whole or not there at all, and
// two sessions delivering at once never overwrite each other. False with the reason on
// failure (nothing is left in the outbox then).
bool DeliverToOutbox(const std::filesystem::path& outbox, const std::filesystem::path& message,
                     const std::string& added, std::filesystem::path* delivered, std::string* reason);

// Test hook: the copy into the outbox fails after this many bytes, as a full disk would make
// it; -1 removes the hook.
void FailOutboxWritesAfter(long bytes);

}  // namespace host
