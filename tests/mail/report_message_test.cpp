// The report message, composed by the plug-in's code in this process and handed to the
// emulator's mail service (outbox delivery).
#include <regex>

#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"
#include "host/mail/mail_service.h"
#include "host/program/instance_number.h"
#include "mail/header_text.h"
#include "mail/report_message.h"
#include "mail_support.h"
#include "tests/support/files.h"

namespace {

using mailtest::Lines;
using mailtest::MailTest;
using mailtest::ParseMessage;
using mailtest::WithoutSubmissionHeaders;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

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
  EXPECT_EQ(mailtest::SendMessage(kStamp, "Sklep %s 100%", kReportPath), 1);

  std::vector<std::string> written;
  for (const auto& event : Events("settings-write")) {
    EXPECT_EQ(event["section"], "ustawieniaEmail");
    written.push_back(event["key"]);
  }
  EXPECT_EQ(written, (std::vector<std::string>{"hostSMTP", "login", "haslo", "adresat",
                                               "uwierzytelnienie", "sprawdzWynikWysylki"}));
  EXPECT_EQ(Events("settings-write").back()["value"], "0");

  const std::vector<std::string> lines = Lines(ReadBytes("message.eml"));
  ASSERT_GE(lines.size(), 27u);
  EXPECT_EQ(lines[0], "Subject: Raport ze sklepu Sklep %s 100%.");
  EXPECT_EQ(lines[1], "To: raporty-kart@operator.example.invalid");
  EXPECT_EQ(lines[2], "From: raporty@smtp.example.invalid");
  EXPECT_EQ(lines[3], "Subject: Eksport Targomir-Kronilog");
  EXPECT_EQ(lines[4], "MIME-Version: 1.0");
  EXPECT_EQ(lines[5], "Content-Type: multipart/mixed;");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[6], match, std::regex(" boundary=\"(.*)\"")));
  const std::string boundary = match[1];
  EXPECT_TRUE(std::regex_match(boundary, kBoundary)) << boundary;
  EXPECT_EQ(lines[7], "");
  EXPECT_EQ(lines[8], "This is a multi-part message in MIME format.");
  EXPECT_EQ(lines[9], "--" + boundary);
  EXPECT_EQ(lines[10], "Content-Type: text/plain; charset=UTF-8; format=flowed");
  EXPECT_EQ(lines[11], "Content-Transfer-Encoding: 7bit");
  EXPECT_EQ(lines[12], "");
  EXPECT_EQ(lines[13], "");
  EXPECT_EQ(lines[14], "Raport Kronilog - data wykonania:");
  EXPECT_EQ(lines[15], kStamp);
  EXPECT_EQ(lines[16], "");
  EXPECT_EQ(lines[17], "--" + boundary);
  EXPECT_EQ(lines[18], "Content-Type: application/xml;");
  EXPECT_EQ(lines[19], " name=\"H0042_20260331140500.xml\"");
  EXPECT_EQ(lines[22], " filename=\"H0042_20260331140500.xml\"");
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

// Standard MIME readers take the message apart: Python's email package with its strict
// policy (every defect an error) and reformime both find the text part and an attachment equal
// to the report, and read back every name and address, whatever the shop, its recipient and its
// sender are called, and whether the settings file holds them in Mazovia or in UTF-8.
TEST_F(ReportMessage, StrictMimeReadersFindBothPartsAndTheExactReport) {
  struct Case {
    std::string shop;     // as the settings file holds it (Mazovia, or UTF-8 as an editor saves it)
    std::string subject;  // the first Subject line as a reader decodes it (UTF-8)
    std::string recipient = "raporty@operator.test";  // adresat and login as the file holds them
    std::string to = "raporty@operator.test";         // and as a reader decodes them
    std::string login = "kasa@sklep.test";
    std::string from = "kasa@sklep.test";
    std::vector<std::string> recipients = {"raporty@operator.test"};  // the To addresses
    std::vector<std::string> groups = {};
    bool hostReads = true;  // the emulator takes a comment for part of the address before it
  };
  const auto times = [](int count, const std::string& text) {
    std::string repeated;
    for (int i = 0; i < count; ++i) repeated += text;
    return repeated;
  };
  const std::string manyLetters = times(40, "\xc5\xbc") + " = ?_ " + times(40, "\xc5\x81");
  const std::string zurawinski = "Piekarnia \xc5\xbburawi\xc5\x84ski";  // UTF-8
  const std::string padded = zurawinski + " " + std::string(97 - zurawinski.size(), 'a');
  // 149 bytes with the last letter cut in two, as the settings service cuts a longer value.
  const std::string commentCut = "raporty@operator.test (a" + times(63, "\xc5\xbc") + ")";
  const std::vector<Case> cases = {
      {"Sklep \x9C\x86ka", "Raport ze sklepu Sklep \xc5\x81\xc4\x85ka."},
      {"Sklep nr 7", "Raport ze sklepu Sklep nr 7."},
      {std::string(40, '\xA7') + " = ?_ " + std::string(40, '\x9C'), "Raport ze sklepu " + manyLetters + "."},
      {"Sklep", "Raport ze sklepu Sklep.", "\x9Cukasz Nowak <l.nowak@operator.test>",
       "\xc5\x81ukasz Nowak <l.nowak@operator.test>", "\"Sklep \xA1" "abka, Kasa 2\" <kasa@sklep.test>",
       "Sklep \xc5\xbb" "abka, Kasa 2 <kasa@sklep.test>", {"l.nowak@operator.test"}},  // the comma stays inside the name
      {"Sklep", "Raport ze sklepu Sklep.", "Ala <a@operator.test>, " + std::string(60, '\x86') + " <b@operator.test>",
       "Ala <a@operator.test>, " + times(60, "\xc4\x85") + " <b@operator.test>", "kasa@sklep.test",
       "kasa@sklep.test", {"a@operator.test", "b@operator.test"}},  // folded over words
      // Typed in UTF-8 (Notepad), whole or cut at the field's end in the middle of a letter.
      {zurawinski, "Raport ze sklepu " + zurawinski + "."},
      {(padded + "\xc5\xbc").substr(0, 99), "Raport ze sklepu " + padded + "."},
      {"Sklep", "Raport ze sklepu Sklep.", "\xc5\xbb" "aneta Wi\xc5\x9bniewska <raporty@operator.test>",
       "\xc5\xbb" "aneta Wi\xc5\x9bniewska <raporty@operator.test>", "Sklep \xc5\xbb" "abka <kasa@sklep.test>",
       "Sklep \xc5\xbb" "abka <kasa@sklep.test>"},
      {"Sklep", "Raport ze sklepu Sklep.", commentCut,
       commentCut.substr(0, commentCut.size() - 3) + ")", "kasa@sklep.test", "kasa@sklep.test",
       {"raporty@operator.test"}, {}, false},
      // A name in a comment, a name beside an address without brackets, a group.
      {"Sklep", "Raport ze sklepu Sklep.", "raporty@operator.test (\xA1" "aneta Wi\x9Eniewska)",
       "raporty@operator.test (\xc5\xbb" "aneta Wi\xc5\x9bniewska)", "kasa@sklep.test", "kasa@sklep.test",
       {"raporty@operator.test"}, {}, false},
      {"Sklep", "Raport ze sklepu Sklep.", "\xA1" "aneta Wi\x9Eniewska raporty@operator.test",
       "\xc5\xbb" "aneta Wi\xc5\x9bniewska <raporty@operator.test>"},
      {"Sklep", "Raport ze sklepu Sklep.",
       "Operatorzy \x9C\xA2" "d\xA6: \x9Cukasz <a@operator.test>, Bart\x92omiej <b@operator.test>;",
       "Operatorzy \xc5\x81\xc3\xb3" "d\xc5\xba : \xc5\x81ukasz <a@operator.test>, Bart\xc5\x82omiej <b@operator.test>;",
       "kasa@sklep.test", "kasa@sklep.test", {"a@operator.test", "b@operator.test"},
       {"Operatorzy \xc5\x81\xc3\xb3" "d\xc5\xba"}},
      // Every field at its settings' limit, in characters that take the most room encoded.
      {std::string(99, '\xDB'), "Raport ze sklepu " + times(99, "\xe2\x96\x88") + ".",
       std::string(140, '\xDB') + " <r@x.pl>", times(140, "\xe2\x96\x88") + " <r@x.pl>",
       std::string(31, '\xA7') + " <kasa@sklep.test>", times(31, "\xc5\xbc") + " <kasa@sklep.test>", {"r@x.pl"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.subject + " / " + c.to);
    SetMail("adresat", c.recipient);
    SetMail("login", c.login);
    StartSession();
    EXPECT_EQ(mailtest::SendMessage(kStamp, c.shop.c_str(), kReportPath), 1);
    const std::string message = ReadBytes("message.eml");
    for (const std::string& line : Lines(message)) {
      if (line.empty()) break;  // the header is ASCII throughout, in lines a reader accepts
      EXPECT_LE(line.size(), line.find("=?") == std::string::npos ? 998u : 76u) << line;
      for (unsigned char byte : line) EXPECT_LT(byte, 0x80) << line;
    }
    const std::pair<const char*, std::string> fields[] = {{"Subject", c.subject}, {"To", c.to}, {"From", c.from}};
    for (const auto& [field, decoded] : fields) {
      const auto read = mailtest::Run(
          {"/bin/sh", "-c", std::string("reformime -h \"$(reformail -x ") + field + ": < message.eml | head -n 1)\""});
      EXPECT_EQ(read.value_or("reformime failed"), decoded + "\n") << field;
    }

    const nlohmann::json parsed = ParseMessage("message.eml", "parsed");
    ASSERT_TRUE(parsed.is_object()) << "the strict MIME parser refused the message";
    EXPECT_TRUE(parsed["defects"].empty());
    EXPECT_EQ(parsed["content_type"], "multipart/mixed");
    EXPECT_EQ(parsed["to_words"], c.to);
    EXPECT_EQ(parsed["from_words"], c.from);
    EXPECT_TRUE(parsed["to_defects"].empty()) << parsed["to_defects"];
    EXPECT_TRUE(parsed["from_defects"].empty()) << parsed["from_defects"];
    EXPECT_EQ(parsed["to_addresses"], c.recipients);
    EXPECT_EQ(parsed["to_groups"], c.groups);
    ASSERT_EQ(Events("mail").size(), 1u);  // the host found the addresses themselves
    if (c.hostReads) {
      EXPECT_EQ(Events("mail")[0]["to"], c.recipients);
    }
    const std::size_t open = c.from.find('<');
    EXPECT_EQ(Events("mail")[0]["from"],
              open == std::string::npos ? c.from : c.from.substr(open + 1, c.from.size() - open - 2));
    ASSERT_EQ(parsed["subjects"].size(), 2u);
    EXPECT_EQ(parsed["subjects"][0], c.subject);
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

    // reformime: the structure, then the attachment's section decoded.
    const auto structure = mailtest::Run({"/bin/sh", "-c", "reformime -i < message.eml"});
    ASSERT_TRUE(structure.has_value()) << "reformime could not read the message";
    EXPECT_NE(structure->find("content-type: text/plain"), std::string::npos) << *structure;
    EXPECT_NE(structure->find("content-type: application/xml"), std::string::npos) << *structure;
    const auto extracted = mailtest::Run({"/bin/sh", "-c", "reformime -e -s 1.2 < message.eml"});
    ASSERT_TRUE(extracted.has_value());
    EXPECT_EQ(*extracted, report_);
  }
}

// A value never starts a header line of its own: a CR or LF in the shop name, or in a
// recipient or sender that a hand-edited settings file holds, is written as a blank.
TEST_F(ReportMessage, LineBreaksInValuesNeverStartANewHeaderLine) {
  WriteBytes("Kronilog.ini",
             "[ustawieniaEmail]\nadresat=raporty@operator.test\rBcc: ktos@obcy.test\n"
             "login=kasa@sklep.test\rX-Injected: 1\n");
  StartSession();
  EXPECT_EQ(mailtest::SendMessage(kStamp, "Sklep\r\nBcc: x@y.test", kReportPath), 1);
  const std::string message = ReadBytes("message.eml");
  const std::string header = message.substr(0, message.find("\n\n"));
  EXPECT_EQ(header.find('\r'), std::string::npos);
  const std::vector<std::string> lines = Lines(header);
  EXPECT_EQ(lines[0], "Subject: Raport ze sklepu Sklep  Bcc: x@y.test.");
  EXPECT_EQ(lines[1].rfind("To: raporty@operator.test", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind("From: kasa@sklep.test", 0), 0u) << lines[2];
  for (const std::string& line : lines) {
    EXPECT_NE(line.rfind("Bcc", 0), 0u) << line;
    EXPECT_NE(line.rfind("X-Injected", 0), 0u) << line;
  }
  char value[32];
  HeaderValue("a\rb\nc\td\x7F" "e", value, sizeof value);
  EXPECT_STREQ(value, "a b c\td e");
}

// A value that cannot go into a standard header whole refuses the message before its file is
// touched, with a reason that names the key: a message whose address was dropped or mangled
// would never arrive, yet would count as sent.
TEST_F(ReportMessage, AnAddressThatCannotBeWrittenRefusesTheMessageNamingItsKey) {
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"adresat", "\xA1" "aneta Wi\x9Eniewska"},                       // a name and no address
      {"adresat", "\xc5\xbb" "aneta Wi\xc5\x9bniewska"},               // the same typed in UTF-8
      {"adresat", "\xA7" "aneta@operator.test"},                       // a letter in the address
      {"adresat", "\xA1" "aneta a@operator.test b@operator.test"},     // which one is the name?
      {"adresat", "\xA1" "aneta <a@operator.test>, Dzia\x92 <b@operator.te"},  // cut at the field
      {"adresat", "Dzia\x92 <a@operator.test>: b@operator.test;"},     // an address in a group's name
      {"login", "Sklep <ka\x9E" "a@sklep.test>"},
  };
  WriteBytes("message.eml", "earlier");
  for (const auto& [key, value] : refused) {
    SCOPED_TRACE(key + "=" + value);
    SetMail("adresat", "raporty@operator.test");
    SetMail("login", "kasa@sklep.test");
    SetMail(key, value);
    StartSession();
    std::string reason;
    EXPECT_EQ(mailtest::SendMessage(kStamp, "Sklep", kReportPath, &reason), 0);
    EXPECT_EQ(reason, "adresu z klucza " + key +
                          " w pliku Kronilog.ini nie da si\u0119 zapisa\u0107 w nag\u0142\u00f3wku wiadomo\u015bci");
    EXPECT_TRUE(Events("mail").empty());
    EXPECT_EQ(ReadBytes("message.eml"), "earlier");
  }
}

// A message that cannot be made whole is never handed over, and the caller learns why.
TEST_F(ReportMessage, AMessageThatCannotBeMadeWholeIsNotHandedOver) {
  std::string reason;
  EXPECT_EQ(mailtest::SendMessage(kStamp, "S", "RAP_KART\\missing.xml", &reason), 0);
  EXPECT_EQ(reason, "nie uda\u0142o si\u0119 doda\u0107 za\u0142\u0105cznika");
  EXPECT_TRUE(Events("mail").empty());
  EXPECT_TRUE(Events("alert").empty());

  host::FailFileOpens("message.eml");
  EXPECT_EQ(mailtest::SendMessage(kStamp, "S", kReportPath, &reason), 0);
  EXPECT_EQ(reason, "nie uda\u0142o si\u0119 utworzy\u0107 wiadomo\u015bci message.eml");
  host::FailFileOpens("");
  // The settings are still read, and missing keys written.
  EXPECT_EQ(Events("settings-write").size(), 6u);
  EXPECT_TRUE(Events("mail").empty());
  EXPECT_TRUE(Events("message").empty());
}

// Each host instance makes its message in a file of its own; the first keeps message.eml.
TEST_F(ReportMessage, TheMessageFileIsNamedByTheHostInstance) {
  for (int instance : {1, 2, 12}) {
    StartSession();
    host::SetInstanceNumber(instance);
    EXPECT_EQ(mailtest::SendMessage(kStamp, "S", kReportPath), 1);
    const std::string name = instance == 1 ? "message.eml" : "message" + std::to_string(instance) + ".eml";
    EXPECT_EQ(Events("mail").at(0)["file"], name);
    EXPECT_TRUE(std::filesystem::exists("tempatach" + std::to_string(instance) + ".txt"));
  }
}

TEST_F(ReportMessage, MemoryRefusedAnywhereLeavesNothingBehind) {
  // Each request in turn is refused once; whatever is lost, every block comes back and every
  // file is closed, and a message that lost a piece is not handed over.
  StartSession();
  mailtest::SendMessage(kStamp, "S", kReportPath);
  const long requests = host::AllocationCount();
  ASSERT_GT(requests, 0);
  for (long nth = 1; nth <= requests; ++nth) {
    StartSession();
    host::FailAllocation(static_cast<int>(nth));
    const int handedOver = mailtest::SendMessage(kStamp, "S", kReportPath);
    EXPECT_EQ(host::OutstandingBlocks(), 0) << nth;
    EXPECT_EQ(host::OpenFiles(), 0) << nth;
    EXPECT_EQ(Events("mail").size(), static_cast<std::size_t>(handedOver)) << nth;
  }
}

}  // namespace
