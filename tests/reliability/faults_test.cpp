// Host faults during an automatic export: every host allocation failing in turn, the report
// folder, the report, the temporary file and the message refused or cut short by a full disk.
// Whatever fails, no host block or file is left behind, the user is told, and the next run
// without the fault exports the same days in full.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "export/export_run.h"
#include "binding/host_api.h"
#include "output/text_output.h"
#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace testsupport;
using Reliability = GoldenShopSession;

constexpr char kReportName[] = "H0001_20260315102030.xml";
const std::string kWriteError = "B\u0142\u0105d zapisu pliku raportu H0001_20260315102030.xml!\nRaport nie zosta\u0142 wys\u0142any.";
const std::string kAttachmentFailed = "nie uda\u0142o si\u0119 doda\u0107 za\u0142\u0105cznika";
const std::string kMessageNotCreated = "nie uda\u0142o si\u0119 utworzy\u0107 wiadomo\u015bci message.eml";
const std::string kMessageNotWritten = "nie uda\u0142o si\u0119 zapisa\u0107 ca\u0142ej wiadomo\u015bci message.eml";
const std::string kNotSentStart = "Raport zosta\u0142 zapisany w pliku RAP_KART\\H0001_20260315102030.xml,\n"
                                  "ale NIE zosta\u0142 wys\u0142any: ";
// The box of a whole report whose message could not be made whole, for an automatic export.
std::string NotSent(const std::string& reason) {
  return kNotSentStart + reason + ".\nTe dni zostan\u0105 wys\u0142ane z nast\u0119pnym eksportem automatycznym.";
}

class Faults : public Reliability {
 protected:
  void SetUp() override {
    Reliability::SetUp();
    clean_ = CleanRun();
    ASSERT_EQ(ElementValues(clean_, "Transaction").size(), 13u) << clean_;
  }

  // The last automatic export was on 9 March: the run covers 9 to 14 March, every sale of
  // the golden shop.
  void PrepareFolder() {
    FreshFolder();
    ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "danePomocnicze", "DataOstatniegoEksportu", "09.03.26"), 0);
  }
  std::string CleanRun() {
    PrepareFolder();
    EXPECT_EQ(RunAutomaticExport(), 1);
    requests_ = host::AllocationCount();
    return ReadBytes(fs::path("RAP_KART") / kReportName);
  }
  // The newest report: a run after a failed one writes a file of its own beside it.
  std::string Report() const {
    auto files = ReportFiles();
    return files.empty() ? std::string() : ReadBytes(files.back());
  }
  std::string StoredDate() const {
    return IniValue("Kronilog.ini", "danePomocnicze", "DataOstatniegoEksportu").value_or("");
  }
  void ExpectNothingLeft(const std::string& where) {
    EXPECT_EQ(host::OutstandingBlocks(), 0) << where;
    EXPECT_EQ(host::OpenFiles(), 0) << where;
    EXPECT_EQ(host::UnknownFrees(), 0) << where;
  }
  // A failed export is not tried again that day: a second call reads no register and shows
  // nothing. The next day, with the fault gone, the same days are exported in full (or they
  // were already).
  void ExpectRecovery(const std::string& where) {
    host::FailAllocation(0);
    host::FailFileOpens("");
    if (StoredDate() != "15.03.26") {
      EXPECT_EQ(IniValue("Kronilog.ini", "danePomocnicze", "DataNieudanejProby"), "15.03.26") << where;
      const std::size_t events = host::JournalEntries().size();
      EXPECT_EQ(RunAutomaticExport(), 0) << where;
      // Only the entry's call of HostCallbackStart: no register read, nothing shown.
      ASSERT_EQ(host::JournalEntries().size(), events + 1) << where;
      EXPECT_EQ(host::JournalEntries().back().value("event", ""), "callback-start") << where;
      ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "danePomocnicze", "DataNieudanejProby", "14.03.26"), 0);
    }
    RunAutomaticExport();
    EXPECT_EQ(Report(), clean_) << where;
    EXPECT_EQ(StoredDate(), "15.03.26") << where;
    ExpectNothingLeft(where);
  }
  // The export in a child process whose files may grow to at most limit bytes (a full disk:
  // the write that crosses it fails). The child's exit status tells whether it left a host
  // block or file behind; the parent then looks at what is on disk.
  void ExportOnAFullDisk(rlim_t limit, const std::function<bool()>& childCheck = {}) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit size{limit, limit};
      setrlimit(RLIMIT_FSIZE, &size);
      int result = RunAutomaticExport();
      bool clean = host::OutstandingBlocks() == 0 && host::OpenFiles() == 0;
      _exit(result == 1 && clean && (!childCheck || childCheck()) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "blocks or files left behind, or the export failed";
  }
  std::size_t Mails() const {
    std::error_code error;
    if (!fs::is_directory("outbox", error)) return 0;
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("outbox"), fs::directory_iterator()));
  }

  std::string clean_;
  long requests_ = 0;
};

TEST_F(Faults, EveryHostAllocationFailingInTurn) {
  ASSERT_GT(requests_, 10);
  int notWritten = 0;
  int notSent = 0;
  for (long nth = 1; nth <= requests_; ++nth) {
    const std::string where = "request " + std::to_string(nth) + " of " + std::to_string(requests_);
    PrepareFolder();
    host::FailAllocation(static_cast<int>(nth));
    EXPECT_EQ(RunAutomaticExport(), 1) << where;
    ExpectNothingLeft(where);
    if (StoredDate() == "15.03.26") {
      // Counted as made: the report is whole and its whole message was mailed.
      EXPECT_EQ(Report(), clean_) << where;
      EXPECT_EQ(Events("mail").size(), 1u) << where;
    } else {
      // A piece of the report or of its message was lost: the user is told which, nothing is
      // mailed, the days stay due.
      EXPECT_EQ(StoredDate(), "09.03.26") << where;
      auto messages = Texts("message");
      const bool reportLost = std::find(messages.begin(), messages.end(), kWriteError) != messages.end();
      const bool messageLost = std::any_of(messages.begin(), messages.end(), [](const std::string& text) {
        return text.rfind(kNotSentStart, 0) == 0;
      });
      EXPECT_NE(reportLost, messageLost) << where;
      notWritten += reportLost ? 1 : 0;
      notSent += messageLost ? 1 : 0;
      EXPECT_TRUE(Events("mail").empty()) << where;
    }
    ExpectRecovery(where);
  }
  // Every piece of the report takes two requests: the report was hit 2 x (3 + 13 + 1) times.
  EXPECT_EQ(notWritten, 34);
  // The message's own pieces, the attachment's block and its Base64 text.
  EXPECT_GT(notSent, 0);
}

TEST_F(Faults, ReportFolderThatCannotBeMadeOrWrittenInto) {
  for (int way = 0; way < 2; ++way) {
    const std::string where = way == 0 ? "a file named RAP_KART" : "RAP_KART refusing files";
    PrepareFolder();
    if (way == 0) WriteBytes("RAP_KART", "x");
    else host::FailFileOpens("RAP_KART/*");
    EXPECT_EQ(RunAutomaticExport(), 1);
    auto messages = Events("message");
    ASSERT_EQ(messages.size(), 1u) << where;
    EXPECT_EQ(messages[0]["title"], "uwaga");
    EXPECT_EQ(messages[0]["text"], std::string("B\u0142\u0105d otwarcia pliku:") + kReportName);
    EXPECT_EQ(StoredDate(), "09.03.26") << where;
    EXPECT_TRUE(Events("mail").empty());
    ExpectNothingLeft(where);
    if (way == 0) fs::remove("RAP_KART");
    ExpectRecovery(where);
  }
}

TEST_F(Faults, DiskFullWhileTheReportIsWritten) {
  PrepareFolder();
  ExportOnAFullDisk(clean_.size() - 100, [] {
    auto messages = Texts("message");
    return std::find(messages.begin(), messages.end(), kWriteError) != messages.end();
  });
  EXPECT_EQ(StoredDate(), "09.03.26");
  EXPECT_LT(Report().size(), clean_.size());  // what made it to the disk is not mailed
  EXPECT_EQ(Mails(), 0u);
  ExpectRecovery("report");
  EXPECT_EQ(Mails(), 1u);
}

TEST_F(Faults, DiskFullWhileTheAttachmentOrTheMessageIsWritten) {
  PrepareFolder();
  RunAutomaticExport();
  const std::size_t temporary = fs::file_size("tempatach1.txt");
  const std::size_t message = fs::file_size("message.eml");
  ASSERT_LT(clean_.size() + 100, temporary);
  ASSERT_LT(temporary + 100, message);

  // The temporary file or the message cut short: the message is not handed over, the user is
  // told that the whole report in RAP_KART was not sent, and the days stay due.
  for (auto [limit, reason] : {std::pair{clean_.size() + 50, kAttachmentFailed},
                               std::pair{temporary + 50, kMessageNotWritten}}) {
    PrepareFolder();
    ExportOnAFullDisk(limit, [reason = reason] {
      auto messages = Texts("message");
      return std::find(messages.begin(), messages.end(), NotSent(reason)) != messages.end() &&
             Events("mail").empty();
    });
    EXPECT_EQ(Report(), clean_) << reason;
    EXPECT_EQ(Mails(), 0u) << reason;
    EXPECT_EQ(StoredDate(), "09.03.26") << reason;
    ExpectRecovery(reason);
  }
}

TEST_F(Faults, MessageOrTemporaryFileThatCannotBeCreated) {
  for (auto [file, reason] : {std::pair{"message.eml", kMessageNotCreated},
                              std::pair{"tempatach*", kAttachmentFailed}}) {
    PrepareFolder();
    host::FailFileOpens(file);
    EXPECT_EQ(RunAutomaticExport(), 1);
    auto messages = Texts("message");
    EXPECT_NE(std::find(messages.begin(), messages.end(), NotSent(reason)), messages.end()) << file;
    EXPECT_EQ(std::find(messages.begin(), messages.end(),
                        "Wyeksportowano raport na serwer do pliku H0001_20260315102030.xml"),
              messages.end()) << file;
    EXPECT_TRUE(Texts("alert").empty()) << file;
    EXPECT_TRUE(Events("mail").empty()) << file;
    EXPECT_EQ(Report(), clean_) << file;
    EXPECT_EQ(StoredDate(), "09.03.26") << file;
    ExpectNothingLeft(file);
    ExpectRecovery(file);
  }
}

// The host killed (task manager, power cut) while the very first automatic export writes its
// report, its attachment or its message: the days of that export were noted before anything
// was read, so the next day's export starts at them. Here the kill is the signal a process
// gets when a write crosses its file size limit.
TEST_F(Faults, AKillDuringTheVeryFirstAutomaticExportLosesNoDay) {
  FreshFolder();
  RunAutomaticExport();
  const std::size_t report = Report().size();
  const std::size_t temporary = fs::file_size("tempatach1.txt");
  for (auto [limit, where] : {std::pair{report / 2, "the report"},
                              std::pair{report + 50, "the attachment"},
                              std::pair{temporary + 50, "the message"}}) {
    FreshFolder();  // no automatic export yet: 13 and 14 March are the days
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      signal(SIGXFSZ, SIG_DFL);
      rlimit size{limit, limit};
      setrlimit(RLIMIT_FSIZE, &size);
      RunAutomaticExport();
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << where;
    EXPECT_EQ(Mails(), 0u) << where;
    EXPECT_EQ(IniValue("Kronilog.ini", "danePomocnicze", "NiewyslaneOd"), "13.03.26") << where;

    options.today = "16.03.26";
    StartSession(options);
    EXPECT_EQ(RunAutomaticExport(), 1) << where;
    EXPECT_EQ(ElementValues(Report(), "PeriodBegin"), (std::vector<std::string>{"2026-03-13T00:01:00.000"})) << where;
    EXPECT_EQ(ElementValues(Report(), "PeriodEnd"), (std::vector<std::string>{"2026-03-15T23:59:00.000"})) << where;
    EXPECT_EQ(IniValue("Kronilog.ini", "danePomocnicze", "NiewyslaneOd"), "") << where;
    options.today = "15.03.26";
    StartSession(options);
  }
}

TEST_F(Reliability, AFormattedWriteTellsWhetherItsPieceReachedTheFile) {
  HostFile* file = HostOpenFile("piece.txt", "wt", 64, 0, -1);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(_fprintfUTF(file, "%s\n", "\x86"), 0);
  host::FailAllocation(1);  // the format buffer
  EXPECT_EQ(_fprintfUTF(file, "lost\n"), -1);
  host::FailAllocation(2);  // the conversion buffer
  EXPECT_EQ(_fprintfUTF(file, "lost\n"), -1);
  EXPECT_EQ(HostCloseFile(file), 0);
  EXPECT_EQ(_fprintfUTF(nullptr, "no file\n"), -1);
  EXPECT_EQ(ReadBytes("piece.txt"), "\xC4\x85\n");
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

}  // namespace
