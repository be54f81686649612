// warnik: a host program that loads the plug-in and drives it. One invocation is one host
// session: load the plug-in, start it, run the command, stop it, unload it.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "frame/host_types.h"
#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/program/instance_number.h"
#include "host/session/outcome.h"
#include "host/session/plugin_session.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "tools/commands.h"

namespace {

constexpr unsigned kMenuEntryId = 0x7F10;

int Fail(const std::string& reason, int status = host::kExitFailed) {
  std::fprintf(stderr, "warnik: %s\n", reason.c_str());
  return status;
}

// A validator that matches a whole value against a pattern.
CLI::Validator Shape(const std::string& pattern, const std::string& what) {
  return CLI::Validator(
      [pattern, what](std::string& value) -> std::string {
        if (std::regex_match(value, std::regex(pattern))) return {};
        return "expected " + what + ", got \"" + value + "\"";
      },
      "");
}

const std::string kDatePattern = R"((0[1-9]|[12][0-9]|3[01])[.-](0[1-9]|1[0-2])[.-][0-9]{2})";
const std::string kTimePattern = R"(([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9])";

enum class Command { kMenuExport, kAutoExport, kLayoutReport, kStartStop };

// Loads, starts, runs the command, stops and unloads. Returns the exit status: for an export,
// what the session saw it come to (host/session/outcome.h).
int RunSession(const std::filesystem::path& pluginPath, Command command) {
  const host::InstanceClaim instance;
  host::PluginSession session(pluginPath);
  session.freshCopy = false;
  std::string reason;
  if (!session.Load(&reason)) return Fail(reason);
  if (session.Start() != 0) {
    session.Unload();
    return Fail("the plug-in refused to start (entry 30001 returned -1)");
  }
  host::Say("(plug-in started: " + session.displayName() + ")");
  int status = 0;
  switch (command) {
    case Command::kMenuExport: {
      auto result = session.PickMenuEntry(kMenuEntryId);
      if (result) {
        host::Say("(menu entry 0x7F10 returned " + std::to_string(*result) + ")");
      } else {
        status = Fail("the plug-in registered no menu entry 0x7F10");
      }
      break;
    }
    case Command::kAutoExport:
      host::Say("(entry 30009 returned " + std::to_string(session.RunExport()) + ")");
      break;
    case Command::kLayoutReport:
      session.Notify(1);
      break;
    case Command::kStartStop:
      break;
  }
  session.Stop();
  session.Unload();
  host::Say("(plug-in stopped and unloaded)");
  if (status == 0 && (command == Command::kMenuExport || command == Command::kAutoExport)) {
    const host::Outcome outcome = host::ExportOutcome(command == Command::kAutoExport);
    if (outcome.status != host::kExitDone) return Fail(outcome.reason, outcome.status);
  }
  return status;
}

bool IsHostService(unsigned ordinal) {
  static const std::set<unsigned> ordinals = {
#define HOST_SERVICE(slot, ordinal, name, conv, ret, params, args) ordinal,
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, conv, ret, params) ordinal,
#include "frame/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
  };
  return ordinals.count(ordinal) != 0;
}

bool IsHostTable(int number) {
  return number == 59 || number == 44 || number == 45 || number == 46 || number == 47;
}

// "44=1270" -> {44, 1270}; the size must fit the host's 16-bit field.
bool ParseTableSize(const std::string& text, std::pair<int, int>& out) {
  std::smatch match;
  if (!std::regex_match(text, match, std::regex(R"(([0-9]{1,5})=([0-9]{1,5}))"))) return false;
  out = {std::stoi(match[1]), std::stoi(match[2])};
  return IsHostTable(out.first) && out.second <= 65535;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"warnik: a host program for the Kronilog plug-in. One invocation is one host\n"
               "session: load the plug-in, start it (entry 30001), run the command, stop it,\n"
               "unload it. The settings file, RAP_KART/, message.eml and the temporary file\n"
               "live in the current folder.",
               "warnik"};
  app.require_subcommand(1);
  app.fallthrough();
  app.footer(
      "Exit status (docs/warnik.md), with a one-line reason on standard error when not 0:\n"
      "  0  done: exported (the report written and delivered), the report shown, or an\n"
      "     automatic call with nothing to do\n"
      "  1  the session failed: the plug-in did not load or start, the shop cannot be read,\n"
      "     wrong options or command\n"
      "  2  the plug-in cancelled or refused the export (form closed, dates it did not take)\n"
      "  3  an export ran but its report was not delivered (written but not sent, not\n"
      "     delivered by the host, or not written)\n");

  host::Options options;
  std::string pluginPath = host::DefaultPluginPath().string();
  std::vector<unsigned> without;
  std::vector<std::string> tableSizes;
  std::vector<int> noTables;
  std::string shop;
  std::string journal;
  std::string outbox = options.outbox.string();
  std::uint32_t seed = 0;
  std::string today;
  std::string now;

  app.add_option("--plugin", pluginPath, "the plug-in to load")->type_name("PATH")->capture_default_str();
  app.add_option("--shop", shop, "the shop folder (default: the bundled example)")->type_name("DIR");
  app.add_option("--today", today, "the host's date")->type_name("dd.mm.yy")->check(Shape(kDatePattern, "dd.mm.yy"));
  app.add_option("--now", now, "the host's time")->type_name("hh:mm:ss")->check(Shape(kTimePattern, "hh:mm:ss"));
  auto* seedOption = app.add_option("--seed", seed, "the host's random seed")->type_name("N");
  app.add_option("--journal", journal,
                 "one JSON object a line for each message, box, form, menu change, settings\n"
                 "write, file opened and mail handed over; texts in UTF-8")
      ->type_name("FILE");
  app.add_option("--outbox", outbox, "where handed-over mail is delivered")->type_name("DIR")->capture_default_str();
  app.add_flag("--smtp", options.smtp, "deliver mail over SMTP to the server the plug-in names");
  app.add_option("--without", without, "host services (ordinals) this host lacks")
      ->type_name("ORD,ORD")
      ->delimiter(',');
  app.add_option("--build-date", options.buildDate, "the host's build date")
      ->type_name("\"Mmm dd yyyy\"")
      ->capture_default_str();
  app.add_option("--table-size", tableSizes, "a table's record size as this host reports it")
      ->type_name("NUM=SIZE")
      ->delimiter(',');
  app.add_option("--no-table", noTables, "a table this host does not have")->type_name("NUM")->delimiter(',');
  app.add_option("--answer", options.answers, "answers to message boxes, in order")
      ->type_name("abort|retry|ignore")
      ->delimiter(',')
      ->check(Shape("abort|retry|ignore", "abort, retry or ignore"));
  app.add_flag("--cancel", options.cancelForm, "close the form with ESC");
  app.add_flag("--not-ready", options.notReady, "the host is not ready for an export");
  app.add_flag("--state-bit", options.stateBit, "the host's state flag is set");
  app.add_flag("--no-wait", options.instantSleep, "journal the plug-in's waits instead of waiting");
  app.add_flag("--quiet", options.quietTerminal, "show nothing on the terminal");

  std::string from;
  std::string to;
  auto* menuExport = app.add_subcommand(
      "menu-export", "FROM TO: pick the menu entry, fill the form with FROM and TO, press F12");
  menuExport->add_option("FROM", from, "the first day")
      ->type_name("dd.mm.yy")
      ->required()
      ->check(Shape(kDatePattern, "dd.mm.yy"));
  menuExport->add_option("TO", to, "the last day")
      ->type_name("dd.mm.yy")
      ->required()
      ->check(Shape(kDatePattern, "dd.mm.yy"));
  auto* autoExport = app.add_subcommand("auto-export", "call entry 30009 (the automatic export)");
  auto* layoutReport = app.add_subcommand("layout-report", "call entry 30008 with 1 (the table layout report)");
  app.add_subcommand("start-stop", "only load, start, stop and unload (checks a setup)");

  std::string shopDir;
  long receipts = 0;
  unsigned shopSeed = 0;
  auto* genShop = app.add_subcommand("gen-shop", "DIR --receipts N [--seed S]: write a synthetic shop");
  genShop->add_option("DIR", shopDir, "the shop folder to write")->required();
  genShop->add_option("--receipts", receipts, "how many receipts")->required()->check(CLI::NonNegativeNumber);
  auto* shopSeedOption = genShop->add_option("--seed", shopSeed, "the generator's seed");

  std::vector<std::string> settingsWords;
  auto* settings = app.add_subcommand("settings", "get SECTION KEY | set SECTION KEY VALUE: read or write Kronilog.ini");
  settings->add_option("WORDS", settingsWords, "get SECTION KEY, or set SECTION KEY VALUE")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& error) {
    std::fprintf(stderr, "warnik: %s (see warnik --help)\n", error.what());
    return host::kExitFailed;
  }

  for (unsigned ordinal : without) {
    if (!IsHostService(ordinal)) return Fail("--without: " + std::to_string(ordinal) + " is no host service");
  }
  options.without.insert(without.begin(), without.end());
  for (const std::string& text : tableSizes) {
    std::pair<int, int> size;
    if (!ParseTableSize(text, size)) {
      return Fail("--table-size wants NUM=SIZE, NUM one of 59, 44, 45, 46, 47 and SIZE 0 to 65535; got \"" +
                  text + "\"");
    }
    options.tableSizes[size.first] = size.second;
  }
  for (int number : noTables) {
    if (!IsHostTable(number)) return Fail("--no-table: " + std::to_string(number) + " is none of 59, 44, 45, 46, 47");
  }
  options.noTables.insert(noTables.begin(), noTables.end());
  options.shopDir = shop;
  options.journalFile = journal;
  options.outbox = outbox;
  if (seedOption->count() > 0) options.seed = seed;
  if (!today.empty()) options.today = today;
  if (!now.empty()) options.now = now;
  if (!journal.empty() && !std::ofstream(journal, std::ios::trunc)) {
    return Fail("cannot write the journal " + journal);
  }
  if (menuExport->parsed()) options.formDates = std::make_pair(from, to);

  host::ResetHost(options);

  if (genShop->parsed()) {
    std::optional<unsigned> generatorSeed;
    if (shopSeedOption->count() > 0) generatorSeed = shopSeed;
    return RunGenShop(shopDir, receipts, generatorSeed);
  }
  if (settings->parsed()) return RunSettingsCommand(settingsWords);
  Command command = menuExport->parsed()     ? Command::kMenuExport
                    : autoExport->parsed()   ? Command::kAutoExport
                    : layoutReport->parsed() ? Command::kLayoutReport
                                             : Command::kStartStop;
  return RunSession(pluginPath, command);
}
