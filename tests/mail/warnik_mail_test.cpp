// Whole sessions through warnik: a menu export of the sample shop mails its report, into the
// outbox or over SMTP to the loopback server, and a refused delivery lets the export finish.
#include <algorithm>
#include <cstdlib>
#include <regex>

#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "mail_support.h"
#include "tests/support/files.h"
#include "tests/support/warnik_program.h"
#include "tests/support/work_folder.h"

namespace {

namespace fs = std::filesystem;
using mailtest::ParseMessage;
using mailtest::SmtpServer;
using mailtest::WithoutSubmissionHeaders;
using testsupport::JournalEvents;
using testsupport::ReadBytes;
using testsupport::ReportFiles;

using Session = testsupport::RunResult;

// One warnik session in the current folder, on the sample shop with a fixed clock and seed.
Session RunWarnik(const std::vector<std::string>& extra) {
  std::vector<std::string> arguments = {"--shop", KRONILOG_SOURCE_DIR "/examples/shop", "--today", "15.03.26",
                                        "--now", "10:20:30", "--seed", "5", "--no-wait",
                                        "--journal", "journal.jsonl"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  arguments.insert(arguments.end(), {"menu-export", "01.03.26", "14.03.26"});
  return testsupport::RunWarnik(arguments);
}

fs::path OnlyReport() {
  const auto reports = ReportFiles();
  return reports.size() == 1 ? reports[0] : fs::path();
}

std::string CreationDate(const std::string& report) {
  std::smatch match;
  if (!std::regex_search(report, match, std::regex("<FileCreationDate>([^<]*)<"))) return "";
  return match[1];
}

class WarnikMail : public ::testing::Test {
 protected:
  void SetUp() override { fs::copy_file(KRONILOG_SOURCE_DIR "/examples/Kronilog.ini", "Kronilog.ini"); }

  void UseServer(const SmtpServer& server, const std::string& password) {
    const std::pair<const char*, std::string> settings[] = {
        {"hostSMTP", "127.0.0.1:" + std::to_string(server.port())},
        {"login", "sklep@mail.test"},
        {"haslo", password},
        {"adresat", "raporty@operator.test"},
        {"uwierzytelnienie", "1"},
    };
    for (const auto& [key, value] : settings) {
      ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaEmail", key, value), 0);
    }
  }

  testsupport::WorkFolder work_;
  const fs::path folder = work_.path();
};

TEST_F(WarnikMail, MenuExportPutsTheReportMailIntoTheOutbox) {
  const Session session = RunWarnik({});
  ASSERT_EQ(session.status, 0) << session.output;

  const fs::path report = OnlyReport();
  ASSERT_FALSE(report.empty());
  EXPECT_EQ(WithoutSubmissionHeaders(ReadBytes("outbox/0001.eml")), ReadBytes("message.eml"));

  const nlohmann::json parsed = ParseMessage("outbox/0001.eml", "parsed");
  ASSERT_TRUE(parsed.is_object());
  ASSERT_EQ(parsed["parts"].size(), 2u);
  const std::string stamp = CreationDate(ReadBytes(report));
  ASSERT_FALSE(stamp.empty());
  EXPECT_NE(parsed["parts"][0]["text"].get<std::string>().find(stamp), std::string::npos);
  EXPECT_EQ(parsed["parts"][1]["filename"], report.filename().string());
  EXPECT_EQ(ReadBytes(parsed["parts"][1]["file"].get<std::string>()), ReadBytes(report));

  const auto mails = JournalEvents("journal.jsonl", "mail");
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0]["delivered"], true);
  EXPECT_EQ(mails[0]["server"], "smtp.example.invalid");
  EXPECT_EQ(session.output.find("zmien-to-haslo"), std::string::npos);
  EXPECT_EQ(ReadBytes("journal.jsonl").find("zmien-to-haslo"), std::string::npos);
}

TEST_F(WarnikMail, MenuExportWithSmtpReachesTheServer) {
  SmtpServer server(folder, {});
  ASSERT_TRUE(server.running());
  UseServer(server, "tajne-has\x92o");  // the settings file holds Mazovia

  const Session session = RunWarnik({"--smtp"});
  ASSERT_EQ(session.status, 0) << session.output;
  const auto received = server.Messages();
  ASSERT_EQ(received.size(), 1u);
  std::string arrived = ReadBytes(received[0]);
  std::erase(arrived, '\r');
  EXPECT_EQ(WithoutSubmissionHeaders(arrived), ReadBytes("message.eml"));
  EXPECT_EQ(server.Envelope(received[0])["rcpt_tos"], nlohmann::json::array({"raporty@operator.test"}));
  EXPECT_FALSE(fs::exists("outbox"));
  EXPECT_TRUE(server.Stop());
}

TEST_F(WarnikMail, RefusedDeliveryIsReportedAndTheExportFinishes) {
  SmtpServer server(folder, {});
  ASSERT_TRUE(server.running());
  UseServer(server, "zle-haslo-9");

  const Session session = RunWarnik({"--smtp"});
  EXPECT_EQ(session.status, 3) << session.output;  // written, not delivered
  EXPECT_TRUE(server.Messages().empty());
  EXPECT_FALSE(OnlyReport().empty());

  const auto mails = JournalEvents("journal.jsonl", "mail");
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0]["delivered"], false);
  EXPECT_NE(mails[0]["reason"].get<std::string>().find("535"), std::string::npos);
  EXPECT_NE(session.output.find("not delivered"), std::string::npos) << session.output;
  EXPECT_EQ(session.output.find("zle-haslo-9"), std::string::npos);
  EXPECT_EQ(ReadBytes("journal.jsonl").find("zle-haslo-9"), std::string::npos);
  // The writer's own closing notice follows the hand-over all the same.
  const auto messages = JournalEvents("journal.jsonl", "message");
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages.back()["text"].get<std::string>().find("Wyeksportowano"), std::string::npos);
}

// A settings file saved by Notepad holds UTF-8: the shop's name, the recipient and the sender
// reach the message as typed. A recipient that cannot go into a header refuses the message:
// the box names the key, the export log says not sent, and nothing goes to the mail service.
TEST_F(WarnikMail, SettingsTypedInUtf8ArriveAsTypedAndAnUnwritableRecipientIsRefused) {
  const std::string shop = "Piekarnia \xc5\xbburawi\xc5\x84ski";
  const std::string recipient = "\xc5\xbb" "aneta Wi\xc5\x9bniewska <raporty@operator.test>";
  ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaRaportu", "nazwaSklepu", shop), 0);
  ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaEmail", "adresat", recipient), 0);
  ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaEmail", "login", "kasa@sklep.test"), 0);
  Session session = RunWarnik({});
  ASSERT_EQ(session.status, 0) << session.output;
  const nlohmann::json parsed = ParseMessage("outbox/0001.eml", "parsed");
  ASSERT_TRUE(parsed.is_object());
  EXPECT_EQ(parsed["subjects"][0], "Raport ze sklepu " + shop + ".");
  EXPECT_EQ(parsed["to_words"], recipient);

  ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaEmail", "adresat", "\xc5\xbb" "aneta"), 0);
  session = RunWarnik({});
  EXPECT_EQ(session.status, 3) << session.output;
  const auto messages = JournalEvents("journal.jsonl", "message");
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages.back()["text"].get<std::string>().find(
                "NIE zosta\u0142 wys\u0142any: adresu z klucza adresat w pliku Kronilog.ini nie da "
                "si\u0119 zapisa\u0107 w nag\u0142\u00f3wku wiadomo\u015bci."),
            std::string::npos)
      << messages.back()["text"];
  EXPECT_NE(ReadBytes("Kronilog.log").find("wynik=niewyslany"), std::string::npos);
  EXPECT_TRUE(JournalEvents("journal.jsonl", "mail").empty());
  EXPECT_FALSE(fs::exists("outbox/0002.eml"));
}

// Two menu exports started together in one folder, in the same second: each writes its own
// whole report and hands over its own message, whose attachment is exactly that report.
TEST_F(WarnikMail, TwoExportsStartedTogetherInOneFolderKeepTheirReportsAndMessagesApart) {
  ASSERT_EQ(std::system("'" WARNIK_PATH "' gen-shop shop --receipts 20000 --seed 3 >/dev/null"), 0);
  std::string session = "'" WARNIK_PATH "' --shop shop --today 01.04.26 --now 09:00:00 --seed 5 "
                        "--no-wait --quiet menu-export 01.03.26 31.03.26 </dev/null";
  const std::string both = "(" + session + " & " + session + " & wait)";
  ASSERT_EQ(std::system(both.c_str()), 0);

  const auto reports = ReportFiles();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].filename(), "H1234_20260401090000.xml");
  EXPECT_EQ(reports[1].filename(), "H1234_20260401090000_2.xml");
  std::vector<std::string> attachments;
  for (const auto& mail : fs::directory_iterator("outbox")) {
    const nlohmann::json parsed = ParseMessage(mail.path(), "parsed-" + mail.path().stem().string());
    ASSERT_TRUE(parsed.is_object()) << mail.path();
    ASSERT_EQ(parsed["parts"].size(), 2u) << mail.path();
    attachments.push_back(ReadBytes(parsed["parts"][1]["file"].get<std::string>()));
  }
  std::sort(attachments.begin(), attachments.end());
  std::vector<std::string> written = {ReadBytes(reports[0]), ReadBytes(reports[1])};
  std::sort(written.begin(), written.end());
  EXPECT_EQ(attachments, written);
  for (const std::string& report : written) {
    EXPECT_NE(report.find("<CardNumber>"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 12), "</Kronilog>\n");
  }
}

}  // namespace
