// warnik's command line: the commands and options it takes (CLI11), and the host options
// they come to.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/session/session_options.h"

enum class Command { kMenuExport, kAutoExport, kLayoutReport, kStartStop, kGenShop, kSettings };

// What the command line gave, as CLI11 stores it.
struct CommandLine {
  Command command = Command::kStartStop;
  std::string pluginPath;
  host::Options options;  // the flags CLI11 sets directly; the rest by HostOptions

  // Session options that need a check or a conversion first.
  std::vector<unsigned> without;
  std::vector<std::string> tableSizes;
  std::vector<int> noTables;
  std::string shop;
  std::string journal;
  std::string outbox;
  std::optional<std::uint32_t> seed;
  std::string today;
  std::string now;

  // menu-export FROM TO
  std::string from;
  std::string to;
  // gen-shop DIR --receipts N [--seed S]
  std::string shopDir;
  long receipts = 0;
  std::optional<unsigned> shopSeed;
  // settings get|set ...
  std::vector<std::string> settingsWords;
};

// The commands and options, bound to line; parse with app->parse.
std::unique_ptr<CLI::App> DefineCommandLine(CommandLine& line);

// The command the parsed line names.
Command ParsedCommand(const CLI::App& app);

// The host options of a parsed line; a one-line reason when an option's value is unusable.
std::optional<std::string> HostOptions(const CommandLine& line, host::Options* options);
