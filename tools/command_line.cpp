// warnik's commands and options (see command_line.h).
#include "tools/command_line.h"

#include <regex>
#include <set>
#include <utility>

#include "host/system/loader.h"

namespace {

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
constexpr long kMostReceipts = 100'000'000;

bool IsHostService(unsigned ordinal) {
  static const std::set<unsigned> ordinals = {
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) ordinal,
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) ordinal,
#include "contract/host_services.inc"
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

void DefineSessionOptions(CLI::App& app, CommandLine& line) {
  host::Options& options = line.options;
  app.add_option("--plugin", line.pluginPath, "the plug-in to load")->type_name("PATH")->capture_default_str();
  app.add_option("--shop", line.shop, "the shop folder (default: the bundled example)")->type_name("DIR");
  app.add_option("--today", line.today, "the host's date")->type_name("dd.mm.yy")->check(Shape(kDatePattern, "dd.mm.yy"));
  app.add_option("--now", line.now, "the host's time")->type_name("hh:mm:ss")->check(Shape(kTimePattern, "hh:mm:ss"));
  app.add_option_function<std::uint32_t>("--seed", [&line](const std::uint32_t& seed) { line.seed = seed; },
                                         "the host's random seed")
      ->type_name("N");
  app.add_option("--journal", line.journal,
                 "one JSON object a line for each message, box, form, menu change, settings\n"
                 "write, file opened and mail handed over; texts in UTF-8")
      ->type_name("FILE");
  app.add_option("--outbox", line.outbox, "where handed-over mail is delivered")->type_name("DIR")->capture_default_str();
  app.add_flag("--smtp", options.smtp, "deliver mail over SMTP to the server the plug-in names");
  app.add_option("--without", line.without, "host services (ordinals) this host lacks")
      ->type_name("ORD,ORD")
      ->delimiter(',');
  app.add_option("--build-date", options.buildDate, "the host's build date")
      ->type_name("\"Mmm dd yyyy\"")
      ->capture_default_str();
  app.add_option("--table-size", line.tableSizes, "a table's record size as this host reports it")
      ->type_name("NUM=SIZE")
      ->delimiter(',');
  app.add_option("--no-table", line.noTables, "a table this host does not have")->type_name("NUM")->delimiter(',');
  app.add_option("--answer", options.answers, "answers to message boxes, in order")
      ->type_name("abort|retry|ignore")
      ->delimiter(',')
      ->check(Shape("abort|retry|ignore", "abort, retry or ignore"));
  app.add_flag("--cancel", options.cancelForm, "close the form with ESC (menu-export: after typing the dates)");
  app.add_flag("--not-ready", options.notReady, "the host is not ready for an export");
  app.add_flag("--state-bit", options.stateBit, "the host's state flag is set");
  app.add_flag("--no-wait", options.instantSleep, "journal the plug-in's waits instead of waiting");
  app.add_flag("--quiet", options.quietTerminal, "show nothing on the terminal");
}

void DefineCommands(CLI::App& app, CommandLine& line) {
  auto* menuExport = app.add_subcommand(
      "menu-export", "FROM TO: pick the menu entry, fill the form with FROM and TO, press F12");
  menuExport->add_option("FROM", line.from, "the first day")
      ->type_name("dd.mm.yy")
      ->required()
      ->check(Shape(kDatePattern, "dd.mm.yy"));
  menuExport->add_option("TO", line.to, "the last day")
      ->type_name("dd.mm.yy")
      ->required()
      ->check(Shape(kDatePattern, "dd.mm.yy"));
  app.add_subcommand("auto-export", "call entry 30009 (the automatic export)");
  app.add_subcommand("layout-report", "call entry 30008 with 1 (the table layout report)");
  app.add_subcommand("start-stop", "only load, start, stop and unload (checks a setup)");

  auto* genShop = app.add_subcommand("gen-shop", "DIR --receipts N [--seed S]: write a synthetic shop");
  genShop->add_option("DIR", line.shopDir, "the shop folder to write")->required();
  genShop->add_option("--receipts", line.receipts, "how many receipts, 0 to 100000000")
      ->required()
      ->check(CLI::Range(0L, kMostReceipts).description(""));
  genShop->add_option_function<unsigned>("--seed", [&line](const unsigned& seed) { line.shopSeed = seed; },
                                         "the generator's seed");

  auto* settings = app.add_subcommand("settings", "get SECTION KEY | set SECTION KEY VALUE: read or write Kronilog.ini");
  settings->add_option("WORDS", line.settingsWords, "get SECTION KEY, or set SECTION KEY VALUE")->required();
}

}  // namespace

std::unique_ptr<CLI::App> DefineCommandLine(CommandLine& line) {
  auto app = std::make_unique<CLI::App>(
      "warnik: a host program for the Kronilog plug-in. One invocation is one host\n"
      "session: load the plug-in, start it (entry 30001), run the command, stop it,\n"
      "unload it. The settings file, RAP_KART/, message.eml and the temporary file\n"
      "live in the current folder.",
      "warnik");
  app->require_subcommand(1);
  app->fallthrough();
  app->footer(
      "Exit status (docs/warnik.md), with a one-line reason on standard error when not 0:\n"
      "  0  done: exported (the report written and delivered), the report shown, or an\n"
      "     automatic call with nothing to do\n"
      "  1  the session failed: the plug-in did not load or start, the shop or the settings\n"
      "     file cannot be read, wrong options or command\n"
      "  2  the plug-in cancelled or refused the export (form closed, dates it did not take)\n"
      "  3  an export ran but its report was not delivered (written but not sent, not\n"
      "     delivered by the host, or not written)\n");
  line.pluginPath = host::DefaultPluginPath().string();
  line.outbox = line.options.outbox.string();
  DefineSessionOptions(*app, line);
  DefineCommands(*app, line);
  return app;
}

Command ParsedCommand(const CLI::App& app) {
  if (app.got_subcommand("menu-export")) return Command::kMenuExport;
  if (app.got_subcommand("auto-export")) return Command::kAutoExport;
  if (app.got_subcommand("layout-report")) return Command::kLayoutReport;
  if (app.got_subcommand("gen-shop")) return Command::kGenShop;
  if (app.got_subcommand("settings")) return Command::kSettings;
  return Command::kStartStop;
}

std::optional<std::string> HostOptions(const CommandLine& line, host::Options* options) {
  *options = line.options;
  for (unsigned ordinal : line.without) {
    if (!IsHostService(ordinal)) return "--without: " + std::to_string(ordinal) + " is no host service";
  }
  options->without.insert(line.without.begin(), line.without.end());
  for (const std::string& text : line.tableSizes) {
    std::pair<int, int> size;
    if (!ParseTableSize(text, size)) {
      return "--table-size wants NUM=SIZE, NUM one of 59, 44, 45, 46, 47 and SIZE 0 to 65535; got \"" + text + "\"";
    }
    options->tableSizes[size.first] = size.second;
  }
  for (int number : line.noTables) {
    if (!IsHostTable(number)) return "--no-table: " + std::to_string(number) + " is none of 59, 44, 45, 46, 47";
  }
  options->noTables.insert(line.noTables.begin(), line.noTables.end());
  options->shopDir = line.shop;
  options->journalFile = line.journal;
  options->outbox = line.outbox;
  options->seed = line.seed;
  if (!line.today.empty()) options->today = line.today;
  if (!line.now.empty()) options->now = line.now;
  if (line.command == Command::kMenuExport) options->formDates = std::make_pair(line.from, line.to);
  return std::nullopt;
}
