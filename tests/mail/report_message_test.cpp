// The report message, composed by the plug-in's code in this process and handed to the
// emulator's mail service (outbox delivery).
#include <regex>

#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "mail/report_message.h"
#include "mail_support.h"

namespace {

using mailtest::Events;
using mailtest::Lines;
using mailtest::MailTest;
using mailtest::ParseMessage;
using mailtest::ReadBytes;
using mailtest::WithoutSubmissionHeaders;
using mailtest::WriteBytes;

constexpr char kStamp[] = "2026-03-31T14:05:00.000";
constexpr char kReportPath[] = "RAP_KART\\H0042_20260331140500.xml";
const std::regex kBoundary("-{15}[0-9]{20}-{4}");

class ReportMessage : public MailTest {
 protected:
  void SetUp() override {
    MailTest::SetUp();
    std::filesystem::create_directories("RAP_KART");
    report_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Kronilog>\xc5\x82</Kronilog>\n";
    WriteBytes("RAP_KART/H0042_20260331140500.xml", report_);
  }

  void SetMail(const std::string& key, const std::string& value) {
    ASSERT_EQ(host::WriteSettingText("Kronilog.ini", "ustawieniaEmail", key, value), 0);
  }

  std::string report_;
};

TEST_F(ReportMessage, FreshSettingsGetTheirDefaultsAndTheMessageItsLayout) {
  EXPECT_EQ(SendReportMail(kStamp, "Sklep %s 100%", kReportPath), 1);

  std::vector<std::string> written;
  for (const auto& event : Events("settings-write")) {
    EXPECT_EQ(event["section"], "ustawieniaEmail");
    written.push_back(event["key"]);
  }
  EXPECT_EQ(written, (std::vector<std::string>{"hostSMTP", "login", "haslo", "adresat",
                                               "uwierzytelnienie"}));
  EXPECT_EQ(Events("settings-write").back()["value"], "17");

  const std::vector<std::string> lines = Lines(ReadBytes("message.eml"));
  ASSERT_GE(lines.size(), 26u);
  EXPECT_EQ(lines[0], "Subject: Raport ze sklepu Sklep %s 100%.");
  EXPECT_EQ(lines[1], "To: raporty-kart@operator.example.invalid");
  EXPECT_EQ(lines[2], "From: raporty@smtp.example.invalid");
  EXPECT_EQ(lines[3], "Subject: Eksport Targomir-Kronilog");
  EXPECT_EQ(lines[4], "Content-Type: multipart/mixed;");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[5], match, std::regex(" boundary=\"(.*)\"")));
  const std::string boundary = match[1];
  EXPECT_TRUE(std::regex_match(boundary, kBoundary)) << boundary;
  EXPECT_EQ(lines[6], "");
  EXPECT_EQ(lines[7], "This is a multi-part message in MIME format.");
  EXPECT_EQ(lines[8], "--" + boundary);
  EXPECT_EQ(lines[9], "Content-Type: text/plain; charset=UTF-8; format=flowed");
  EXPECT_EQ(lines[10], "Content-Transfer-Encoding: 7bit");
  EXPECT_EQ(lines[11], "");
  EXPECT_EQ(lines[12], "");
  EXPECT_EQ(lines[13], "Raport Kronilog - data wykonania:");
  EXPECT_EQ(lines[14], kStamp);
  EXPECT_EQ(lines[15], "");
  EXPECT_EQ(lines[16], "--" + boundary);
  EXPECT_EQ(lines[17], "Content-Type: application/xml;");
  EXPECT_EQ(lines[18], " name=\"H0042_20260331140500.xml\"");
  EXPECT_EQ(lines[21], " filename=\"H0042_20260331140500.xml\"");
  EXPECT_EQ(lines.back(), "--" + boundary + "--");
  EXPECT_EQ(ReadBytes("message.eml").back(), '\n');

  const auto mails = Events("mail");
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0]["file"], "message.eml");
  EXPECT_EQ(mails[0]["server"], "smtp.example.invalid");
  EXPECT_EQ(mails[0]["login"], "raporty@smtp.example.invalid");
  EXPECT_EQ(mails[0]["authentication"], 17);
  EXPECT_EQ(mails[0]["delivered"], true);
  EXPECT_EQ(WithoutSubmissionHeaders(ReadBytes("outbox/0001.eml")), ReadBytes("message.eml"));
  EXPECT_TRUE(Events("alert").empty());
}

TEST_F(ReportMessage, MimeParserFindsBothPartsAndTheExactReport) {
  SetMail("adresat", "raporty@operator.test");
  const std::string shop = "Sklep \x9C\x86ka";  // "Sklep Łąka" in Mazovia
  EXPECT_EQ(SendReportMail(kStamp, shop.c_str(), kReportPath), 1);

  // The shop name reaches the first line as the settings hold it, unconverted.
  EXPECT_EQ(Lines(ReadBytes("message.eml"))[0], "Subject: Raport ze sklepu " + shop + ".");

  const nlohmann::json parsed = ParseMessage("message.eml", "parsed");
  ASSERT_TRUE(parsed.is_object()) << "the MIME parser could not read the message";
  EXPECT_TRUE(parsed["multipart"]);
  EXPECT_EQ(parsed["content_type"], "multipart/mixed");
  EXPECT_EQ(parsed["to"], "raporty@operator.test");
  EXPECT_EQ(parsed["subjects"].size(), 2u);
  ASSERT_EQ(parsed["parts"].size(), 2u);
  const auto& text = parsed["parts"][0];
  EXPECT_EQ(text["content_type"], "text/plain");
  EXPECT_EQ(text["charset"], "utf-8");
  EXPECT_NE(text["text"].get<std::string>().find(std::string("data wykonania:\n") + kStamp),
            std::string::npos);
  const auto& attachment = parsed["parts"][1];
  EXPECT_EQ(attachment["content_type"], "application/xml");
  EXPECT_EQ(attachment["disposition"], "attachment");
  EXPECT_EQ(attachment["filename"], "H0042_20260331140500.xml");
  EXPECT_TRUE(attachment["defects"].empty());
  EXPECT_EQ(ReadBytes(attachment["file"].get<std::string>()), report_);
}

TEST_F(ReportMessage, SettingsInTheFileAreUsed) {
  SetMail("hostSMTP", "poczta.sklep.test:2525");
  SetMail("login", "kasa1@sklep.test");
  SetMail("haslo", "tajne");
  SetMail("adresat", "a@operator.test, b@operator.test");
  SetMail("uwierzytelnienie", "0");
  StartSession();
  EXPECT_EQ(SendReportMail(kStamp, "S", kReportPath), 1);
  EXPECT_TRUE(Events("settings-write").empty());
  const std::vector<std::string> lines = Lines(ReadBytes("message.eml"));
  EXPECT_EQ(lines[1], "To: a@operator.test, b@operator.test");
  EXPECT_EQ(lines[2], "From: kasa1@sklep.test");
  const auto mail = Events("mail").at(0);
  EXPECT_EQ(mail["server"], "poczta.sklep.test:2525");
  EXPECT_EQ(mail["login"], "kasa1@sklep.test");
  EXPECT_EQ(mail["authentication"], 0);
  EXPECT_EQ(mail["from"], "kasa1@sklep.test");
  EXPECT_EQ(mail["to"], nlohmann::json::array({"a@operator.test", "b@operator.test"}));
  EXPECT_EQ(mail.dump().find("tajne"), std::string::npos);
}

TEST_F(ReportMessage, EveryMessageGetsANewBoundaryUsedThroughout) {
  host::Options seeded;
  seeded.seed = 7;
  StartSession(seeded);
  std::vector<std::string> boundaries;
  for (int i = 0; i < 2; ++i) {
    SendReportMail(kStamp, "S", kReportPath);
    const std::string message = ReadBytes("message.eml");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(message, match, kBoundary));
    const std::string boundary = match[0];
    int delimiters = 0;
    for (const std::string& line : Lines(message)) {
      if (line.rfind("--", 0) == 0) {
        EXPECT_TRUE(line == "--" + boundary || line == "--" + boundary + "--") << line;
        ++delimiters;
      }
    }
    EXPECT_EQ(delimiters, 3);
    boundaries.push_back(boundary);
  }
  EXPECT_NE(boundaries[0], boundaries[1]);

  // The same seed gives the same message byte for byte.
  const std::string second = ReadBytes("message.eml");
  StartSession(seeded);
  SendReportMail(kStamp, "S", kReportPath);
  SendReportMail(kStamp, "S", kReportPath);
  EXPECT_EQ(ReadBytes("message.eml"), second);
}

TEST_F(ReportMessage, FailedAttachmentIsAlertedOnceAndTheMessageStillSent) {
  EXPECT_EQ(SendReportMail(kStamp, "S", "RAP_KART\\missing.xml"), 1);
  const std::vector<std::string> lines = Lines(ReadBytes("message.eml"));
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[16] + "--", lines[17]);
  const auto alerts = Events("alert");
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0]["text"], "Nie uda\xc5\x82o si\xc4\x99 doda\xc4\x87 za\xc5\x82\xc4\x85""cznika");
  EXPECT_EQ(Events("mail").size(), 1u);
}

TEST_F(ReportMessage, UncreatableMessageFileStillWritesSettingsAndSendsNothing) {
  host::FailFileOpens("message.eml");
  SendReportMail(kStamp, "S", kReportPath);
  EXPECT_EQ(Events("settings-write").size(), 5u);
  std::string value;
  EXPECT_EQ(host::ReadSettingText("Kronilog.ini", "ustawieniaEmail", "uwierzytelnienie", &value),
            0);
  EXPECT_EQ(value, "17");
  EXPECT_TRUE(Events("mail").empty());
  EXPECT_TRUE(Events("alert").empty());
  EXPECT_TRUE(Events("message").empty());
  EXPECT_FALSE(std::filesystem::exists("message.eml"));
  EXPECT_FALSE(std::filesystem::exists("tempatach1.txt"));
  host::FailFileOpens("");
}

TEST_F(ReportMessage, MemoryRefusedAnywhereLeavesNothingBehind) {
  // Each request in turn is refused once; whatever is lost, every block comes back and every
  // file is closed, and the message is still handed over.
  StartSession();
  SendReportMail(kStamp, "S", kReportPath);
  const long requests = host::AllocationCount();
  ASSERT_GT(requests, 0);
  for (long nth = 1; nth <= requests; ++nth) {
    StartSession();
    host::FailAllocation(static_cast<int>(nth));
    SendReportMail(kStamp, "S", kReportPath);
    EXPECT_EQ(host::OutstandingBlocks(), 0) << nth;
    EXPECT_EQ(host::OpenFiles(), 0) << nth;
    EXPECT_EQ(Events("mail").size(), 1u) << nth;
  }
}

}  // namespace
