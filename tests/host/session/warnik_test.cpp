// warnik end to end: the program run as a user runs it, in a folder of its own, with no
// terminal on its standard input.
#include "tests/support/files.h"
#include "tests/support/warnik_program.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;
using nlohmann::json;

TEST_F(Warnik, AMissingServiceWithoutFallbackFailsTheLoadAfterOneBox) {
  Outcome run = Start("--without 52029 --answer ignore layout-report");
  EXPECT_NE(run.status, 0);
  EXPECT_TRUE(OneLine(run.err)) << run.err;
  EXPECT_NE(run.err.find("did not load"), std::string::npos) << run.err;
  auto boxes = run.Events("box");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0]["caption"], "POWAŻNY BŁĄD WTYCZKI");
  EXPECT_NE(boxes[0]["text"].get<std::string>().find("\nbrak wpisu  52029 \n"), std::string::npos);
  EXPECT_EQ(boxes[0]["answer"], "ignore");
  EXPECT_TRUE(run.Events("message").empty());
  EXPECT_TRUE(run.Events("menu-add").empty());
}

TEST_F(Warnik, MissingServicesWithFallbacksLoadAfterOneBoxAndReport) {
  Outcome run = Start("--without 30908,41399 --answer ignore layout-report");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_EQ(run.Events("box").size(), 1u);
  auto reports = run.Events("message");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0]["title"], "STOP!!!");
  EXPECT_EQ(reports[0]["style"], 0xC001);
  EXPECT_NE(reports[0]["text"].get<std::string>().find(
                "Moduł \"'Raport Kronilog'\" i program występują w różnych wersjach!"),
            std::string::npos);
  EXPECT_NE(run.out.find("┌─ STOP!!!"), std::string::npos) << run.out;
}

TEST_F(Warnik, TheLayoutReportShowsItsRowsInColumns) {
  Outcome run = Start("--table-size 44=1270,45=40000 --no-table 47 layout-report");
  EXPECT_EQ(run.status, 0) << run.err;
  auto reports = run.Events("message");
  ASSERT_EQ(reports.size(), 1u);
  std::string text = reports[0]["text"];
  EXPECT_NE(text.find("\x01tp25p40\x01Tspr\t1268\t1270\n"), std::string::npos) << text;
  EXPECT_LT(text.find("Tspr\t"), text.find("Tspr_dok\t515\t-25536\n"));
  EXPECT_LT(text.find("Tspr_dok\t"), text.find("Tspr_kor_dok\t256\tbrak\n"));
  EXPECT_NE(run.out.find("│ TABELA            WE WTYCZCE     W PROGRAMIE\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("│ Tspr                 1268           1270\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("│ Tspr_kor_dok          256           brak\n"), std::string::npos) << run.out;
}

TEST_F(Warnik, AnOlderHostIsRefusedWithOneLine) {
  Outcome run = Start("--build-date \"Mar 10 2008\" layout-report");
  EXPECT_NE(run.status, 0);
  EXPECT_TRUE(OneLine(run.err)) << run.err;
  EXPECT_NE(run.err.find("refused to start"), std::string::npos) << run.err;
  EXPECT_EQ(run.Events("alert").size(), 1u);
  EXPECT_TRUE(run.Events("message").empty());  // no report after a refused start
  EXPECT_TRUE(run.Events("menu-add").empty());
}

TEST_F(Warnik, StartStopAddsAndRemovesTheMenuEntry) {
  Outcome run = Start("start-stop");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  // The session's instance number and its shop first, then what the plug-in did.
  ASSERT_EQ(run.journal.size(), 4u);
  EXPECT_EQ(run.journal[0]["event"], "instance");
  EXPECT_EQ(run.journal[0]["number"], 1);
  EXPECT_EQ(run.journal[1]["event"], "shop");
  EXPECT_EQ(run.journal[2]["event"], "menu-add");
  EXPECT_EQ(run.journal[2]["text"], "Eksport sprzedaży do Kronilog");
  EXPECT_EQ(run.journal[3]["event"], "menu-remove");
  EXPECT_EQ(run.journal[3]["removed"], true);
  EXPECT_NE(run.out.find("'Raport Kronilog'"), std::string::npos) << run.out;
}

TEST_F(Warnik, RetryShowsTheSameBoxAgain) {
  Outcome run = Start("--without 30908 --answer retry,retry,ignore start-stop");
  EXPECT_EQ(run.status, 0) << run.err;
  auto boxes = run.Events("box");
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0]["text"], boxes[2]["text"]);
  EXPECT_EQ(boxes[1]["answer"], "retry");
  EXPECT_EQ(boxes[2]["answer"], "ignore");
}

TEST_F(Warnik, WithoutAnAnswerOrATerminalABoxIsAnsweredAbort) {
  Outcome run = Start("--without 30908 start-stop");
  EXPECT_NE(run.status, 0);
  auto boxes = run.Events("box");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0]["answer"], "abort");
  EXPECT_NE(run.out.find("abort (no scripted answer left and no terminal to ask)"), std::string::npos)
      << run.out;
}

TEST_F(Warnik, AMissingPlugInIsOneLine) {
  Outcome run = Start("--plugin /nonexistent/kronilog.so start-stop");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "warnik: no plug-in file at /nonexistent/kronilog.so\n");
}

TEST_F(Warnik, HelpListsTheCommandsAndOptions) {
  Outcome run = Start("--help");
  EXPECT_EQ(run.status, 0);
  for (const char* word : {"menu-export", "auto-export", "layout-report", "start-stop", "gen-shop", "settings",
                           "--plugin", "--shop", "--today", "--now", "--seed", "--journal", "--outbox",
                           "--smtp", "--without", "--build-date", "--table-size", "--no-table", "--answer",
                           "--cancel", "--not-ready", "--state-bit"}) {
    EXPECT_NE(run.out.find(word), std::string::npos) << word;
  }
}

TEST_F(Warnik, BadCommandLinesAreRefusedBeforeAnythingRuns) {
  for (const char* arguments : {"", "frobnicate", "--answer maybe start-stop", "--table-size 44 start-stop",
                                "menu-export 1.3.26 31.03.26", "menu-export 01.03.26", "--today 2026-03-01 start-stop",
                                "--now 25:00:00 start-stop", "--without x start-stop", "--without 52027 start-stop",
                                "--table-size 48=100 start-stop", "--table-size 44=70000 start-stop",
                                "--no-table 1 start-stop", "gen-shop shop --receipts -5",
                                "gen-shop shop --receipts 200000000", "gen-shop shop --receipts many",
                                "gen-shop shop"}) {
    Outcome run = Start(arguments);
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_TRUE(OneLine(run.err)) << arguments << ": " << run.err;
    EXPECT_LT(run.err.size(), 160u) << arguments << ": " << run.err;
    EXPECT_TRUE(run.journal.empty()) << arguments;
  }
}

// A script can rely on the exit status (docs/warnik.md): it says whether the work was done,
// from what the session saw, not from the texts the plug-in showed.
TEST_F(Warnik, ExitStatusSaysWhetherTheWorkWasDone) {
  struct Case {
    const char* blocked;  // a folder or file in the way, or none
    std::string arguments;
    int status;
    const char* said;  // on standard error
  } cases[] = {
      {nullptr, "menu-export 01.03.26 31.03.26", 0, ""},
      {nullptr, "menu-export 31.03.26 01.03.26", 2, "cancelled or refused"},
      {nullptr, "--cancel menu-export 01.03.26 31.03.26", 2, "cancelled or refused"},
      {"message.eml/", "menu-export 01.03.26 31.03.26", 3, "was written but not sent"},
      {"RAP_KART", "menu-export 01.03.26 31.03.26", 3, "wrote no report"},
      {nullptr, "auto-export", 0, ""},
      {nullptr, "auto-export", 0, ""},  // the same day again: nothing to do
      {nullptr, "layout-report", 0, ""},
      {nullptr, "--shop nowhere start-stop", 1, "the shop cannot be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    fs::remove_all(folder / "message.eml");
    fs::remove_all(folder / "RAP_KART");
    if (c.blocked != nullptr && std::string(c.blocked).ends_with("/")) fs::create_directory(folder / c.blocked);
    if (c.blocked != nullptr && !std::string(c.blocked).ends_with("/")) WriteBytes(folder / c.blocked, "x");
    Outcome run = Start("--today 31.03.26 --now 12:00:00 --seed 1 " + c.arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.status == 0) {
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_TRUE(OneLine(run.err)) << run.err;
      EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    }
  }
}

// A shop that cannot be read ends the session before the plug-in runs: the reason with its
// file:line:column, and no report, no message, nothing in the settings file.
TEST_F(Warnik, AShopThatCannotBeReadEndsTheSessionBeforeThePlugInRuns) {
  WriteShop(folder / "shop", "1,1,A,01.03.26,5,,0,0\n11,2,B,01.03.26,5,,0,0\n", "");
  for (const char* command : {"menu-export 01.03.26 31.03.26", "auto-export"}) {
    Outcome run = Start(std::string("--shop shop ") + command);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(OneLine(run.err)) << run.err;
    EXPECT_NE(run.err.find("shop/receipts.csv:3:1: register 11 is outside 1..10"), std::string::npos) << run.err;
    EXPECT_TRUE(run.Events("menu-add").empty());
    for (const char* made : {"RAP_KART", "message.eml", "Kronilog.ini", "outbox"}) {
      EXPECT_FALSE(fs::exists(folder / made)) << made;
    }
  }
}

// Sessions running at once in one folder each get their own instance number (and so their
// own temporary attachment file); a lone session is always 1, and no lock file stays behind.
TEST_F(Warnik, SessionsRunningAtOnceInOneFolderGetTheirOwnInstanceNumbers) {
  // The first session waits in its closing notice (3 s) while the second runs.
  const std::string first = "cd '" + folder.string() + "' && ('" WARNIK_PATH
                            "' --journal first.jsonl --quiet --today 31.03.26 --now 12:00:00 "
                            "menu-export 01.03.26 31.03.26 </dev/null; echo $? >first.status) &";
  ASSERT_EQ(std::system(first.c_str()), 0);
  for (int wait = 0; wait < 100 && ReadBytes(folder / "first.jsonl").find("\"sleep\"") == std::string::npos; ++wait) {
    usleep(100000);
  }
  Outcome second = Start("--today 31.03.26 --now 12:00:01 menu-export 01.03.26 31.03.26");
  for (int wait = 0; wait < 100 && !fs::exists(folder / "first.status"); ++wait) usleep(100000);
  EXPECT_EQ(ReadBytes(folder / "first.status"), "0\n");
  EXPECT_EQ(second.status, 0) << second.err;
  ASSERT_FALSE(second.Events("instance").empty());
  EXPECT_EQ(second.Events("instance")[0]["number"], 2);
  EXPECT_NE(ReadBytes(folder / "first.jsonl").find("{\"claimed\":true,\"event\":\"instance\",\"number\":1}"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(folder / "tempatach1.txt"));
  EXPECT_TRUE(fs::exists(folder / "tempatach2.txt"));
  EXPECT_TRUE(fs::exists(folder / "message2.eml"));  // the plug-in names its message by it too
  EXPECT_TRUE(fs::exists(folder / "outbox" / "0002.eml"));

  Outcome alone = Start("start-stop");
  ASSERT_FALSE(alone.Events("instance").empty());
  EXPECT_EQ(alone.Events("instance")[0]["number"], 1);
  for (const auto& entry : fs::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().filename().string().find(".lock"), std::string::npos) << entry.path();
  }
}

}  // namespace
