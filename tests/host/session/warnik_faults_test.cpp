// warnik in a folder that holds what it should not: a settings file the host cannot use,
// links where the plug-in writes, writers of the settings file at once.
#include <sys/stat.h>

#include "tests/support/files.h"
#include "tests/support/warnik_program.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// The plug-in runs on its defaults when the host refuses Kronilog.ini; the session then fails
// with the reason, and the shop's own file is exactly as it was.
TEST_F(Warnik, ASettingsFileTheHostRefusesFailsTheSessionAndStaysAsItWas) {
  const std::string utf16("\xFF\xFE[\0u\0]\0\n\0", 10);
  for (const char* kind : {"UTF-16 LE", "named pipe"}) {
    SCOPED_TRACE(kind);
    fs::remove_all(folder / "Kronilog.ini");
    if (std::string(kind) == "named pipe") {
      ASSERT_EQ(mkfifo((folder / "Kronilog.ini").c_str(), 0644), 0);
    } else {
      WriteBytes(folder / "Kronilog.ini", utf16);
    }
    Outcome run = Start("--today 31.03.26 --now 12:00:00 auto-export");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(OneLine(run.err)) << run.err;
    EXPECT_NE(run.err.find(kind), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("defaults"), std::string::npos) << run.err;
    EXPECT_FALSE(run.Events("settings-refused").empty());
    EXPECT_TRUE(run.Events("settings-write").empty());
    if (std::string(kind) == "named pipe") {
      EXPECT_TRUE(fs::is_fifo(folder / "Kronilog.ini"));
    } else {
      EXPECT_EQ(ReadBytes(folder / "Kronilog.ini"), utf16);
    }
  }
}

// A link left where the plug-in writes its message or its temporary attachment file is not
// written through: the file it leads to stays as it was, and the report is not sent.
TEST_F(Warnik, LinksWhereThePlugInWritesAreNotWrittenThrough) {
  fs::create_directory(folder / "elsewhere");
  for (const char* name : {"message.eml", "tempatach1.txt"}) {
    SCOPED_TRACE(name);
    fs::remove_all(folder / "RAP_KART");
    fs::remove(folder / "message.eml");
    fs::remove(folder / "tempatach1.txt");
    WriteBytes(folder / "elsewhere" / name, "kept");
    fs::create_symlink(folder / "elsewhere" / name, folder / name);
    Outcome run = Start("--today 31.03.26 --now 12:00:00 menu-export 01.03.26 31.03.26");
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(ReadBytes(folder / "elsewhere" / name), "kept");
    EXPECT_TRUE(fs::is_symlink(folder / name));
    EXPECT_TRUE(run.Events("mail").empty());
  }
}

// Eight `settings set` at once, each its own key: every value is there afterwards.
TEST_F(Warnik, SettingsSetAtOnceKeepsEveryValue) {
  std::string command = "cd '" + folder.string() + "' && { ";
  for (int i = 1; i <= 8; ++i) {
    command += "('" WARNIK_PATH "' settings set odczytParagonowZKas Kasa0" + std::to_string(i) + " " +
               std::to_string(i) + " >/dev/null 2>&1 || echo failed >>failures) & ";
  }
  command += "wait; }";
  for (int round = 0; round < 3; ++round) {
    fs::remove(folder / "Kronilog.ini");
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_FALSE(fs::exists(folder / "failures"));
    const std::string settings = ReadBytes(folder / "Kronilog.ini");
    for (int i = 1; i <= 8; ++i) {
      const std::string line = "Kasa0" + std::to_string(i) + "=" + std::to_string(i) + "\n";
      EXPECT_NE(settings.find(line), std::string::npos) << "round " << round << ": " << settings;
    }
  }
}

}  // namespace
