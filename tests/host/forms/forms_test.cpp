// The form service on the plug-in's own report date form, and on templates it cannot read.
#include "export/report_date_form.h"
#include "contract/host_types.h"
#include "host/forms/form_template.h"
#include "host/forms/form_render.h"
#include "host/all_services.h"
#include "tests/support/host_fixture.h"

namespace {

std::vector<unsigned char> RealForm() {
  return std::vector<unsigned char>(ReportDateForm.begin(), ReportDateForm.end());
}

void PutWord(std::vector<unsigned char>& bytes, std::size_t at, unsigned value) {
  bytes[at] = static_cast<unsigned char>(value & 0xFF);
  bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

TEST(FormTemplate, TheReportDateFormReadsAsItIsLaidOut) {
  host::FormTemplate form;
  auto error = host::ParseFormTemplate(ReportDateForm.data(), form);
  ASSERT_FALSE(error) << *error;
  EXPECT_EQ(form.size, 306u);
  ASSERT_EQ(form.elements.size(), 8u);
  const auto& frame = form.elements[0];
  EXPECT_EQ(frame.kind, host::kFormFrame);
  EXPECT_EQ(frame.identifier, 1001);
  EXPECT_EQ(frame.width, 49);
  EXPECT_EQ(frame.height, 11);
  EXPECT_EQ(frame.text, "Data raportu");
  EXPECT_EQ(form.elements[1].text, "Wykonaj raport kart lojalno\x9E" "ciowych za dni:");
  std::vector<unsigned> inputs;
  for (const auto& element : form.elements) {
    if (element.kind == host::kFormInputField) {
      inputs.push_back(element.identifier);
      EXPECT_EQ(element.fieldLength, 8);
      EXPECT_EQ(element.flags, 0x0400);
      EXPECT_EQ(element.text, "");
    }
  }
  EXPECT_EQ(inputs, (std::vector<unsigned>{0x4104, 0x4106}));
  EXPECT_EQ(form.elements[3].offset, static_cast<std::size_t>(kFormStartFieldPrefixOffset));
  EXPECT_EQ(form.elements[7].offset, static_cast<std::size_t>(kFormCancelButtonOffset));
  EXPECT_EQ(form.elements[6].key, host::kFormKeyF12);
  EXPECT_EQ(form.elements[7].key, host::kFormKeyEsc);
  EXPECT_EQ(host::ButtonKeyName(form.elements[6]), "F12");
  EXPECT_EQ(host::ButtonKeyName(form.elements[7]), "ESC");

  auto lines = host::RenderForm(form, {"01.03.26", "31.03.26"});
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_NE(lines[0].find("Data raportu"), std::string::npos);
  EXPECT_NE(lines[2].find("lojalności"), std::string::npos);  // shown in UTF-8
  EXPECT_NE(lines[4].find("Od:  [01.03.26  ]"), std::string::npos) << lines[4];
  EXPECT_NE(lines[4].find("Do: [31.03.26  ]"), std::string::npos) << lines[4];
  EXPECT_NE(lines[7].find("<F12> Wykonaj"), std::string::npos);
}

TEST(FormTemplate, BrokenTemplatesAreErrorsNotGuesses) {
  struct Case {
    const char* what;
    void (*breakIt)(std::vector<unsigned char>&);
    const char* error;
  } cases[] = {
      {"second count", [](auto& b) { PutWord(b, 4, 297); }, "the sizes do not add up"},
      {"first count", [](auto& b) { PutWord(b, 0, 20000); }, "the template says 20000 bytes follow"},
      {"element count", [](auto& b) { PutWord(b, 6, 8); }, "element 8 (at byte 306) runs past the end"},
      {"fewer elements", [](auto& b) { PutWord(b, 6, 6); }, "33 bytes are left over"},
      {"kind", [](auto& b) { PutWord(b, 41, 9); }, "element 1 (at byte 41) has the unknown kind 0x0009"},
      {"frame", [](auto& b) { PutWord(b, 8, 3); }, "the first element is of kind 0x0003"},
      {"prefix length", [](auto& b) { PutWord(b, kFormStartFieldPrefixOffset + 2, 40); },
       "element 3 is an input field whose header and properties take 40 bytes"},
      {"prefix kind", [](auto& b) { PutWord(b, kFormStartFieldOffset, 3); },
       "element 3 has the prefix of an input field but the kind 0x0003"},
      {"field length", [](auto& b) { PutWord(b, kFormStartFieldOffset + 20 + 8, 0); },
       "element 3 is an input field of length 0"},
      {"last text", [](auto& b) { b[305] = 'x'; }, "the text of element 7 runs past the end"},
  };
  for (const auto& c : cases) {
    auto bytes = RealForm();
    c.breakIt(bytes);
    host::FormTemplate form;
    auto error = host::ParseFormTemplate(bytes.data(), form);
    ASSERT_TRUE(error) << c.what;
    EXPECT_EQ(error->substr(0, std::strlen(c.error)), c.error) << c.what;
    EXPECT_TRUE(form.elements.empty() || form.size == 0) << c.what;
  }
}

class RunForm : public testsupport::InProcessHost {
 protected:
  int Run(ReportDateRange& range, const unsigned char* bytes = ReportDateForm.data(),
          int number = 1001) {
    StartSession();
    return host::HostRunForm(bytes, number, &range, 0);
  }
  static ReportDateRange Yesterday() {
    ReportDateRange range;
    std::memcpy(range.start, "27.03.26", 9);
    std::memcpy(range.end, "27.03.26", 9);
    return range;
  }
};

TEST_F(RunForm, MenuExportDatesFillTheFieldsAndPressF12) {
  options.formDates = std::make_pair(std::string("01.03.26"), std::string("31.03.26"));
  ReportDateRange range = Yesterday();
  EXPECT_EQ(Run(range), kReportDateFormRun);
  EXPECT_STREQ(range.start, "01.03.26");
  EXPECT_STREQ(range.end, "31.03.26");
  auto events = Events("form");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["number"], 1001);
  EXPECT_EQ(events[0]["fields"], nlohmann::json({"01.03.26", "31.03.26"}));
  EXPECT_EQ(events[0]["button"], kReportDateFormRun);
  EXPECT_EQ(events[0]["key"], "F12");
}

// --cancel with menu-export FROM TO: the dates are typed, then ESC; the record keeps what it
// held, as for any ESC.
TEST_F(RunForm, MenuExportDatesWithCancelAreTypedThenEscIsPressed) {
  options.formDates = std::make_pair(std::string("01.03.26"), std::string("31.03.26"));
  options.cancelForm = true;
  ReportDateRange range = Yesterday();
  EXPECT_EQ(Run(range), kReportDateFormCancel);
  EXPECT_STREQ(range.start, "27.03.26");
  auto events = Events("form");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["key"], "ESC");
  EXPECT_FALSE(events[0].contains("error"));
}

TEST_F(RunForm, DatesThatAreNotEightCharactersCloseTheFormWithEsc) {
  options.formDates = std::make_pair(std::string("1.3.26"), std::string("31.03.2026"));
  ReportDateRange range = Yesterday();
  EXPECT_EQ(Run(range), kReportDateFormCancel);
  EXPECT_STREQ(range.start, "27.03.26");
  EXPECT_STREQ(range.end, "27.03.26");
  auto events = Events("form");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_TRUE(events[0].contains("error"));
  EXPECT_EQ(events[0]["button"], kReportDateFormCancel);
}

TEST_F(RunForm, CancelAndNoTerminalPressEsc) {
  ReportDateRange range = Yesterday();
  options.cancelForm = true;
  EXPECT_EQ(Run(range), kReportDateFormCancel);
  options.cancelForm = false;  // quiet terminal: nobody to ask
  EXPECT_EQ(Run(range), kReportDateFormCancel);
  EXPECT_STREQ(range.start, "27.03.26");
  ASSERT_EQ(Events("form").size(), 1u);
  EXPECT_EQ(Events("form")[0]["fields"], nlohmann::json({"27.03.26", "27.03.26"}));
}

TEST_F(RunForm, AnUnreadableTemplateOrWrongNumberGivesZero) {
  options.formDates = std::make_pair(std::string("01.03.26"), std::string("31.03.26"));
  ReportDateRange range = Yesterday();
  auto broken = RealForm();
  PutWord(broken, 4, 200);
  EXPECT_EQ(Run(range, broken.data()), 0);
  EXPECT_STREQ(range.start, "27.03.26");
  auto events = Events("form");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_NE(events[0]["error"].get<std::string>().find("the sizes do not add up"), std::string::npos);

  EXPECT_EQ(Run(range, ReportDateForm.data(), 1002), 0);
  EXPECT_EQ(Run(range, nullptr), 0);
  EXPECT_EQ(host::HostRunForm(ReportDateForm.data(), 1001, nullptr, 0), 0);
  EXPECT_STREQ(range.start, "27.03.26");
}

}  // namespace
