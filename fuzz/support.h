// What the fuzz targets share: a private work folder as the current directory, and the
// emulator bound in-process to the plug-in's host service slots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"

namespace fuzz {

// Makes a fresh folder under the temporary directory the current directory (once per
// process) and returns it.
const std::string& WorkFolder();

// The options every target starts from: the golden shop, a fixed clock and seed, no waiting,
// nothing on the terminal, mail into the work folder's outbox.
host::Options QuietOptions();

// ResetHost with the options, WARNIK registered and every plug-in slot bound to it.
void BindToEmulator(const host::Options& options);

// Aborts (a finding) when the plug-in left a host block or a host file behind.
void CheckNothingLeft(const char* where);

// The bytes as a text: cut at the first NUL, at most limit bytes.
std::string Text(const std::uint8_t* data, std::size_t size, std::size_t limit);

// Writes a whole file; aborts when it cannot.
void WriteFile(const std::string& path, std::string_view content);

// A whole file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace fuzz
