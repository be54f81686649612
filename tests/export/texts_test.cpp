// The texts the report file writer makes: date-time texts, the file timestamp, card numbers
// taken from remarks and record texts escaped for XML; and the form template's bytes.
#include <cstring>
#include <string>

#include "export/report_date_form.h"
#include "export/date_texts.h"
#include "export/report_file.h"
#include "export/left_out_receipts.h"
#include "export/report_text.h"
#include "tests/support/host_fixture.h"

namespace {

class ExportTexts : public testsupport::GoldenShopSession {};

std::string Iso(const char* date, const char* time) {
  char out[24];
  std::memset(out, 'x', sizeof out);
  return IsoDateTimeText(out, date, time);
}

TEST_F(ExportTexts, IsoDateTimeTextKeepsTheMinuteAndMovesMidnightToTheEndOfTheDay) {
  EXPECT_EQ(Iso("10.03.26", "00:01"), "2026-03-10T00:01:00.000");
  EXPECT_EQ(Iso("10.03.26", "23:59"), "2026-03-10T23:59:00.000");
  EXPECT_EQ(Iso("10.03.26", "00:00"), "2026-03-10T24:00:00.000");
  EXPECT_EQ(Iso("10-03-26", " 0:00:00"), "2026-03-10T24:00:00.000");  // a sale time of 0
  EXPECT_EQ(Iso("10-03-26", " 9:05:00"), "2026-03-10T09:05:00.000");  // a sale time of 545
  EXPECT_EQ(Iso("29.02.28", "09:05"), "2028-02-29T09:05:00.000");
  EXPECT_EQ(Iso("31.12.99", "12:34:56"), "2099-12-31T12:34:00.000");  // seconds always 00.000
}

TEST_F(ExportTexts, IsoDateTimeTextLeavesTextsItCannotReadEmpty) {
  EXPECT_EQ(Iso("", "00:01"), "");
  EXPECT_EQ(Iso("abc", "00:01"), "");
  EXPECT_EQ(Iso("32.01.26", "00:01"), "");
  EXPECT_EQ(Iso("10.03.26", ""), "");
  EXPECT_EQ(Iso("10.03.26", "24:00"), "");
  EXPECT_EQ(Iso("10.03.26", "-1:-5:00"), "");
  EXPECT_EQ(Iso("10.03.26", "12:60"), "");
}

TEST_F(ExportTexts, FileTimestampTextHasFourteenDigitsAndHour24JustAfterMidnight) {
  char out[15];
  EXPECT_STREQ(FileTimestampText(out), "20260315102030");
  options.now = "00:00:30";
  StartSession();
  EXPECT_STREQ(FileTimestampText(out), "20260315240030");
  options.today = "01.01.27";
  options.now = "23:59:59";
  StartSession();
  EXPECT_STREQ(FileTimestampText(out), "20270101235959");
}

std::string Card(const std::string& remark) {
  char card[kCardNumberSize];
  std::memset(card, 'x', sizeof card);
  switch (CardNumberFromRemark(remark.c_str(), card)) {
    case CardText::kNone: return "<none>";
    case CardText::kTooLong: return "<too long>";
    case CardText::kNumber: return card;
  }
  return "?";
}

// The number runs from the first character after "Karta:" that is no blank to the next blank;
// blanks never count against its 29 characters, and a longer number is never cut into another.
TEST_F(ExportTexts, CardNumberRunsFromItsFirstCharacterToTheNextBlankAndIsNeverCut) {
  const std::string digits28 = "7712345678901234567890123456";
  const struct {
    std::string remark, card;
  } cases[] = {
      {"Karta: 7712345 Jan Kowalski", "7712345"},
      {"Karta:7700001", "7700001"},
      {"Paragon; Karta:   7722222  ", "7722222"},
      {"Karta: 77 12", "77"},
      {"Karta:\t7712345\x01" "99", "7712345"},  // control bytes separate like blanks
      {"Karta:\xFF" "7712345\xFF" "Jan", "7712345"},  // so does the no-break space (0xFF)
      {"Karta: \xFF\xFF" "7754321\xFF", "7754321"},
      {"Karta:" + std::string(21, ' ') + "7712345678", "7712345678"},
      {"Karta:" + std::string(90, ' ') + "7754321", "7754321"},
      {"Karta: " + digits28 + "9", digits28 + "9"},  // 29 characters: the whole field
      {"Karta: " + digits28 + "90", "<too long>"},
      {"Karta:77123456789012345678901234567890", "<too long>"},
      {"Karta: " + digits28 + "9012 Jan", "<too long>"},
      {"karta: 7712345", "<none>"},  // the K is upper case
      {"KARTA: 7712345", "<none>"},
      {"Karta: 8812345", "<none>"},  // not a loyalty card
      {"Karta: 7", "<none>"},
      {"Karta: 12 Karta: 7719191", "<none>"},  // the first "Karta:" counts
      {"Karta:", "<none>"},
      {"Karta:      ", "<none>"},
      {"", "<none>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Card(c.remark), c.card) << c.remark;
}

// The box after an export that left receipts out names the first five and says how many more
// in the form Polish takes after that count.
TEST_F(ExportTexts, LeftOutReceiptsAreCountedInGoodPolish) {
  const struct {
    int count;
    std::string ending;  // of the numbers' line (Mazovia)
  } cases[] = {
      {1, "N1."},           {5, "N1, N2, N3, N4, N5."},     {6, "N5 i 1 inny."},
      {7, "N5 i 2 inne."},  {9, "N5 i 4 inne."},            {10, "N5 i 5 innych."},
      {17, "N5 i 12 innych."}, {19, "N5 i 14 innych."},     {27, "N5 i 22 inne."},
      {117, "N5 i 112 innych."}, {129, "N5 i 124 inne."},
  };
  for (const auto& c : cases) {
    LeftOutReceipts list{};
    for (int i = 1; i <= c.count; ++i) NoteLeftOutReceipt(&list, ("N" + std::to_string(i)).c_str());
    char text[kLeftOutTextSize];
    LeftOutReceiptsText(list, text);
    const std::string box = text;
    EXPECT_NE(box.find("Liczba pomini\x91tych paragon\xA2w: " + std::to_string(c.count) + ".\n"), std::string::npos) << box;
    EXPECT_NE(box.find(c.ending + "\nPozosta"), std::string::npos) << box;
  }
}

std::string Escaped(const std::string& text, std::size_t size) {
  std::string out(size + 8, 'x');
  EscapeXmlText(text.c_str(), out.data(), size);
  EXPECT_LT(std::strlen(out.c_str()), size);
  return out.c_str();
}

TEST_F(ExportTexts, RecordTextsAreEscapedForXmlAndNeverOverrunTheirBuffer) {
  EXPECT_EQ(Escaped("F<&>\"1\"", 100), "F&lt;&amp;&gt;\"1\"");
  EXPECT_EQ(Escaped("a\x01" "b\tc\x1F", 100), "a b&#9;c ");
  // A reader sees the CR and the line feed that were stored, never a line break of the file.
  EXPECT_EQ(Escaped("PAR\r1\n2", 100), "PAR&#13;1&#10;2");
  EXPECT_EQ(Escaped("\x9C\xA2" "d\xA6", 100), "\x9C\xA2" "d\xA6");  // Mazovia letters stay
  EXPECT_EQ(Escaped("ab&cd", 5), "ab");    // no room for "&amp;": cut before it
  EXPECT_EQ(Escaped("ab&cd", 8), "ab&amp;");
  EXPECT_EQ(Escaped("", 1), "");
  std::string worst(200, '&');
  std::string out = Escaped(worst, 5 * 200 + 1);
  EXPECT_EQ(out.size(), 1000u);
  EXPECT_EQ(out.substr(995), "&amp;");
}

TEST(ExportForm, TemplateHasTheHostsBytes) {
  const auto& form = ReportDateForm;
  static_assert(sizeof form == 306);
  auto u16 = [&](int at) { return form[at] | (form[at + 1] << 8); };
  auto u32 = [&](int at) { return u16(at) | (u16(at + 2) << 16); };
  auto text = [&](int at) { return std::string(reinterpret_cast<const char*>(form.data() + at)); };
  EXPECT_EQ(u32(0), 302);
  EXPECT_EQ(u16(4), 298);
  EXPECT_EQ(u16(6), 7);
  // The frame: kind, identifier 1001 (also the form number), 49 x 11, its title.
  EXPECT_EQ(u16(kFormFrameOffset), 0xFFFF);
  EXPECT_EQ(u16(kFormFrameOffset + 2), 1001);
  EXPECT_EQ(u16(kFormFrameOffset + 12), 49);
  EXPECT_EQ(u16(kFormFrameOffset + 14), 11);
  EXPECT_EQ(text(kFormFrameOffset + 20), "Data raportu");
  EXPECT_EQ(text(41 + 20), "Wykonaj raport kart lojalno\x9E" "ciowych za dni:");
  // The two input fields: prefix, header, property block, empty text.
  const unsigned char properties[18] = {0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 8, 2, 0, 0, 8, 0, 1, 0};
  struct Field { int prefix, header, id, column; };
  for (Field f : {Field{kFormStartFieldPrefixOffset, kFormStartFieldOffset, 0x4104, 9},
                  Field{kFormEndFieldPrefixOffset, kFormEndFieldOffset, 0x4106, 27}}) {
    SCOPED_TRACE(f.id);
    EXPECT_EQ(u16(f.prefix), 5);
    EXPECT_EQ(u16(f.prefix + 2), 38);
    EXPECT_EQ(u16(f.header), 5);
    EXPECT_EQ(u16(f.header + 2), f.id);
    EXPECT_EQ(u16(f.header + 4), 0x0400);
    EXPECT_EQ(u16(f.header + 8), f.column);
    EXPECT_EQ(u16(f.header + 10), 4);
    EXPECT_EQ(u16(f.header + 12), 12);
    EXPECT_EQ(u32(f.header + 16), 0);
    EXPECT_EQ(std::memcmp(form.data() + f.header + 20, properties, 18), 0);
    EXPECT_EQ(form[f.header + 38], 0);
  }
  EXPECT_EQ(text(kFormStartFieldPrefixOffset - 4), "Od:");
  EXPECT_EQ(text(kFormStartFieldOffset + 39 + 20), "Do:");
  // The buttons: identifier, key, caption with the host's markup.
  EXPECT_EQ(u16(kFormRunButtonOffset), 0);
  EXPECT_EQ(u16(kFormRunButtonOffset + 2), 0x5001);
  EXPECT_EQ(u16(kFormRunButtonOffset + 6), 0x5500);
  EXPECT_EQ(text(kFormRunButtonOffset + 20), "\x05" "F12\x01 Wykonaj");
  EXPECT_EQ(u16(kFormCancelButtonOffset + 2), 0x5002);
  EXPECT_EQ(u16(kFormCancelButtonOffset + 6), 0x001B);
  EXPECT_EQ(u16(kFormCancelButtonOffset + 8), 26);
  EXPECT_EQ(text(kFormCancelButtonOffset + 20), "\x05" "ESC\x01 Anuluj");
  EXPECT_EQ(kFormCancelButtonOffset + 20 + 13, 306);
}

}  // namespace
