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
#include "frame/host_api.h"
#include "settings/text_output.h"
#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "tests/reliability/support.h"

namespace {

namespace fs = std::filesystem;
using namespace reliability;

constexpr char kReportName[] = "H0001_20260315102030.xml";
const std::string kWriteError = "B\u0142\u0105d zapisu pliku raportu H0001_20260315102030.xml!\nRaport nie zosta\u0142 wys\u0142any.";
const std::string kAttachmentFailed = "Nie uda\u0142o si\u0119 doda\u0107 za\u0142\u0105cznika";
const std::string kMessageNotWritten = "Nie uda\u0142o si\u0119 zapisa\u0107 wiadomo\u015bci message.eml";

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
    return ReadText(fs::path("RAP_KART") / kReportName);
  }
  std::string Report() const { return ReadText(fs::path("RAP_KART") / kReportName); }
  std::string StoredDate() const { return Setting("danePomocnicze", "DataOstatniegoEksportu").value_or(""); }
  void ExpectNothingLeft(const std::string& where) {
    EXPECT_EQ(host::OutstandingBlocks(), 0) << where;
    EXPECT_EQ(host::OpenFiles(), 0) << where;
    EXPECT_EQ(host::UnknownFrees(), 0) << where;
  }
  // With the fault gone, the same days are exported in full (or were already).
  void ExpectRecovery(const std::string& where) {
    host::FailAllocation(0);
    host::FailFileOpens("");
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
  for (long nth = 1; nth <= requests_; ++nth) {
    const std::string where = "request " + std::to_string(nth) + " of " + std::to_string(requests_);
    PrepareFolder();
    host::FailAllocation(static_cast<int>(nth));
    EXPECT_EQ(RunAutomaticExport(), 1) << where;
    ExpectNothingLeft(where);
    if (StoredDate() == "15.03.26") {
      // Counted as made: the report is whole and was mailed (an attachment that could not be
      // made is reported).
      EXPECT_EQ(Report(), clean_) << where;
      EXPECT_EQ(Events("mail").size(), 1u) << where;
    } else {
      // A piece of the report was lost: the user is told, nothing is mailed, the days stay due.
      ++notWritten;
      EXPECT_EQ(StoredDate(), "09.03.26") << where;
      auto messages = Texts("message");
      EXPECT_NE(std::find(messages.begin(), messages.end(), kWriteError), messages.end()) << where;
      EXPECT_TRUE(Events("mail").empty()) << where;
    }
    ExpectRecovery(where);
  }
  // Every piece of the report takes two requests: the report was hit 2 x (3 + 13 + 1) times.
  EXPECT_EQ(notWritten, 34);
}

TEST_F(Faults, ReportFolderThatCannotBeMadeOrWrittenInto) {
  for (int way = 0; way < 2; ++way) {
    const std::string where = way == 0 ? "a file named RAP_KART" : "RAP_KART refusing files";
    PrepareFolder();
    if (way == 0) WriteText("RAP_KART", "x");
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
  ExportOnAFullDisk(clean_.size() - 100, [this] {
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

  // The temporary file cut short: the message goes without the attachment (the user is told),
  // the whole report stays in RAP_KART.
  PrepareFolder();
  ExportOnAFullDisk(clean_.size() + 50, [this] { return Texts("alert") == std::vector<std::string>{kAttachmentFailed}; });
  EXPECT_EQ(Report(), clean_);
  EXPECT_EQ(Mails(), 1u);
  EXPECT_EQ(ReadText("message.eml").find("base64"), std::string::npos);
  EXPECT_EQ(StoredDate(), "15.03.26");

  // The message cut short: it is not handed over; the report is whole.
  PrepareFolder();
  ExportOnAFullDisk(temporary + 50, [this] {
    auto alerts = Texts("alert");
    return alerts == std::vector<std::string>{kMessageNotWritten} && Events("mail").empty();
  });
  EXPECT_EQ(Report(), clean_);
  EXPECT_EQ(Mails(), 0u);
  EXPECT_EQ(StoredDate(), "15.03.26");
}

TEST_F(Faults, MessageOrTemporaryFileThatCannotBeCreated) {
  PrepareFolder();
  host::FailFileOpens("message.eml");
  EXPECT_EQ(RunAutomaticExport(), 1);
  EXPECT_TRUE(Texts("alert").empty());  // nothing is shown; the report stays in RAP_KART
  EXPECT_TRUE(Events("mail").empty());
  EXPECT_EQ(Report(), clean_);
  ExpectNothingLeft("message.eml");

  PrepareFolder();
  host::FailFileOpens("tempatach*");
  EXPECT_EQ(RunAutomaticExport(), 1);
  EXPECT_EQ(Texts("alert"), std::vector<std::string>{kAttachmentFailed});
  ASSERT_EQ(Events("mail").size(), 1u);
  EXPECT_EQ(ReadText("message.eml").find("base64"), std::string::npos);
  EXPECT_EQ(Report(), clean_);
  ExpectNothingLeft("tempatach1.txt");
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
  EXPECT_EQ(ReadText("piece.txt"), "\xC4\x85\n");
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

}  // namespace
