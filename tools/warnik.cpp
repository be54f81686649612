// warnik: a host program that loads the plug-in and drives it. One invocation is one host
// session: load the plug-in, start it, run the command, stop it, unload it.
#include <cstdio>
#include <fstream>
#include <string>

#include "host/forms/menus.h"
#include "host/program/instance_number.h"
#include "host/session/outcome.h"
#include "host/session/plugin_session.h"
#include "host/session/session_options.h"
#include "host/session/terminal.h"
#include "host/settings/settings_service.h"
#include "host/texts/text_services.h"
#include "tools/command_line.h"
#include "tools/commands.h"

namespace {

int Fail(const std::string& reason, int status = host::kExitFailed) {
  std::fprintf(stderr, "warnik: %s\n", reason.c_str());
  return status;
}

// Runs one of the session's commands on a started plug-in; a failure's exit status and
// reason, or 0.
int RunCommand(host::PluginSession& session, Command command) {
  switch (command) {
    case Command::kMenuExport: {
      const std::string entry = "menu entry " + host::HexNumber(host::kExportMenuEntryId);
      const auto result = session.PickMenuEntry(host::kExportMenuEntryId);
      if (!result) return Fail("the plug-in registered no " + entry);
      host::Say("(" + entry + " returned " + std::to_string(*result) + ")");
      return 0;
    }
    case Command::kAutoExport:
      host::Say("(entry 30009 returned " + std::to_string(session.RunExport()) + ")");
      return 0;
    case Command::kLayoutReport:
      session.Notify(1);
      return 0;
    default:
      return 0;
  }
}

// Loads, starts, runs the command, stops and unloads. Returns the exit status: for an export,
// what the session saw it come to (host/session/outcome.h); a settings file the host refused
// fails the session whatever else it did, as the plug-in then ran on its defaults.
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
  const int status = RunCommand(session, command);
  session.Stop();
  session.Unload();
  host::Say("(plug-in stopped and unloaded)");
  if (status != 0) return status;
  if (auto refused = host::SettingsFileRefusal()) {
    return Fail(*refused + "; the plug-in ran on its defaults and nothing was written into it");
  }
  if (command == Command::kMenuExport || command == Command::kAutoExport) {
    const host::Outcome outcome = host::ExportSessionOutcome(command == Command::kAutoExport);
    if (outcome.status != host::kExitDone) return Fail(outcome.reason, outcome.status);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  const auto app = DefineCommandLine(line);
  try {
    app->parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app->exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app->exit(help);
  } catch (const CLI::ParseError& error) {
    std::fprintf(stderr, "warnik: %s (see warnik --help)\n", error.what());
    return host::kExitFailed;
  }
  line.command = ParsedCommand(*app);

  host::Options options;
  if (auto problem = HostOptions(line, &options)) return Fail(*problem);
  if (!line.journal.empty() && !std::ofstream(line.journal, std::ios::trunc)) {
    return Fail("cannot write the journal " + line.journal);
  }
  host::ResetHost(options);

  switch (line.command) {
    case Command::kGenShop:
      return RunGenShop(line.shopDir, line.receipts, line.shopSeed);
    case Command::kSettings:
      return RunSettingsCommand(line.settingsWords);
    default:
      return RunSession(line.pluginPath, line.command);
  }
}
