// Character sets and the two conversion services.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/texts/codepages.h"
#include "host/all_services.h"

namespace {

using host::ConvertCodePage;

// The Polish letters: Mazovia byte, Windows-1250 byte, UTF-8.
struct Letter {
  unsigned char mazovia;
  unsigned char windows;
  const char* utf8;
};
constexpr Letter kPolish[] = {
    {0x86, 0xB9, "ą"}, {0x8D, 0xE6, "ć"}, {0x8F, 0xA5, "Ą"}, {0x90, 0xCA, "Ę"}, {0x91, 0xEA, "ę"},
    {0x92, 0xB3, "ł"}, {0x95, 0xC6, "Ć"}, {0x98, 0x8C, "Ś"}, {0x9C, 0xA3, "Ł"}, {0x9E, 0x9C, "ś"},
    {0xA0, 0x8F, "Ź"}, {0xA1, 0xAF, "Ż"}, {0xA2, 0xF3, "ó"}, {0xA3, 0xD3, "Ó"}, {0xA4, 0xF1, "ń"},
    {0xA5, 0xD1, "Ń"}, {0xA6, 0x9F, "ź"}, {0xA7, 0xBF, "ż"},
};

std::string Byte(unsigned char b) { return std::string(1, static_cast<char>(b)); }

TEST(CodePages, PolishLettersMapBetweenAllThreeSets) {
  for (const Letter& letter : kPolish) {
    SCOPED_TRACE(letter.utf8);
    EXPECT_EQ(ConvertCodePage(Byte(letter.mazovia), 1, 6), letter.utf8);
    EXPECT_EQ(ConvertCodePage(Byte(letter.mazovia), 1, 3), Byte(letter.windows));
    EXPECT_EQ(ConvertCodePage(Byte(letter.windows), 3, 1), Byte(letter.mazovia));
    EXPECT_EQ(ConvertCodePage(letter.utf8, 6, 1), Byte(letter.mazovia));
    EXPECT_EQ(ConvertCodePage(letter.utf8, 6, 3), Byte(letter.windows));
  }
}

TEST(CodePages, EveryMazoviaByteSurvivesTheRoundTripThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  std::string utf8 = ConvertCodePage(all, 1, 6);
  EXPECT_EQ(ConvertCodePage(utf8, 6, 1), all);
  // Box drawing and symbols take three bytes, the markup bytes stay as they are.
  EXPECT_EQ(ConvertCodePage("\xC4\xB3\xDB", 1, 6), "─│█");
  EXPECT_EQ(ConvertCodePage("\x01t\x02\x05\t\n", 1, 6), "\x01t\x02\x05\t\n");
  EXPECT_EQ(ConvertCodePage("\xE1\xFE\xFF", 1, 6), "ß■\xC2\xA0");
}

TEST(CodePages, EveryDefinedWindowsByteSurvivesTheRoundTripThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    if (b != 0x81 && b != 0x83 && b != 0x88 && b != 0x90 && b != 0x98) all += static_cast<char>(b);
  }
  EXPECT_EQ(ConvertCodePage(ConvertCodePage(all, 3, 6), 6, 3), all);
  EXPECT_EQ(ConvertCodePage("\x80\x84\x81", 3, 6), "€„?");
}

TEST(CodePages, CharactersTheTargetCannotHoldBecomeQuestionMarks) {
  EXPECT_EQ(ConvertCodePage("\xC4\xB0", 1, 3), "??");       // box drawing has no Windows form
  EXPECT_EQ(ConvertCodePage("\x80", 3, 1), "?");            // nor the euro sign a Mazovia one
  EXPECT_EQ(ConvertCodePage("a€b😀", 6, 1), "a?b?");
  EXPECT_EQ(ConvertCodePage("x\xC5y", 6, 1), "x?y");        // a cut sequence
  EXPECT_EQ(ConvertCodePage("\xC0\xAF", 6, 1), "??");       // an overlong '/'
  EXPECT_EQ(ConvertCodePage("\xED\xA0\x80", 6, 1), "???");  // a surrogate
  EXPECT_EQ(ConvertCodePage("\xFF", 6, 3), "?");
}

TEST(CodePages, UnknownOrEqualCodePagesLeaveTheTextAlone) {
  EXPECT_EQ(ConvertCodePage("\x92", 1, 1), "\x92");
  EXPECT_EQ(ConvertCodePage("\x92", 2, 6), "\x92");
  EXPECT_EQ(ConvertCodePage("\x92", 1, 7), "\x92");
}

TEST(ConvertText, ConvertsInPlaceAsTheMissingEntryReportDoes) {
  char text[] = "B\x92\x86" "d \x02" "52028\x01";
  EXPECT_EQ(host::HostConvertText(text, text, 1, 3), 12);
  EXPECT_STREQ(text, "B\xB3\xB9" "d \x02" "52028\x01");
  EXPECT_EQ(host::HostConvertText(text, text, 3, 1), 12);
  EXPECT_STREQ(text, "B\x92\x86" "d \x02" "52028\x01");
}

TEST(ConvertText, GrowsInPlaceToUtf8WhenTheBufferHasRoom) {
  char text[32] = "\x92\xC4z";  // ł, ─, z
  EXPECT_EQ(host::HostConvertText(text, text, 1, 6), 6);
  EXPECT_STREQ(text, "ł─z");
}

TEST(ConvertText, RefusesNullAndCopiesUnknownCodePagesUnchanged) {
  char out[8] = "xx";
  EXPECT_EQ(host::HostConvertText(nullptr, out, 1, 3), -1);
  EXPECT_STREQ(out, "xx");
  EXPECT_EQ(host::HostConvertText("abc", nullptr, 1, 3), -1);
  EXPECT_EQ(host::HostConvertText("ab\x92", out, 1, 9), -1);
  EXPECT_STREQ(out, "ab\x92");
}

TEST(ConvertTextSized, WritesTheWholeTextWhenItFits) {
  char out[16];
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(host::HostConvertTextSized(out, 7, "\x92\xA7z", -1, 1, 6), 5);
  EXPECT_EQ(std::memcmp(out, "\xC5\x82\xC5\xBCz\0#", 7), 0);
  // Exactly the capacity: five bytes and the NUL in six.
  EXPECT_EQ(host::HostConvertTextSized(out, 6, "\x92\xA7z", -1, 1, 6), 5);
  EXPECT_STREQ(out, "łżz");
}

TEST(ConvertTextSized, NeverSplitsAUtf8SequenceNorPassesTheCapacity) {
  char out[16];
  std::memset(out, '#', sizeof out);
  // "ał": a (1) + ł (2) + NUL needs 4; with 3 the ł does not fit and is left out whole.
  EXPECT_EQ(host::HostConvertTextSized(out, 3, "a\x92", -1, 1, 6), 1);
  EXPECT_EQ(std::memcmp(out, "a\0#", 3), 0);
  // Box drawing takes three bytes: with room for two, nothing of it is written.
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(host::HostConvertTextSized(out, 6, "ab\xC4\xC4", -1, 1, 6), 5);
  EXPECT_EQ(std::memcmp(out, "ab\xE2\x94\x80\0", 6), 0);
  EXPECT_EQ(out[6], '#');
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(host::HostConvertTextSized(out, 5, "ab\xC4", -1, 1, 6), 2);
  EXPECT_EQ(std::memcmp(out, "ab\0##", 5), 0);
  // Single-byte targets are cut at any byte.
  EXPECT_EQ(host::HostConvertTextSized(out, 3, "\x92\x86\x91", -1, 1, 3), 2);
  EXPECT_STREQ(out, "\xB3\xB9");
}

TEST(ConvertTextSized, TheFormattedOutputBufferAlwaysHoldsPolishText) {
  // The writer gives 2n + 10 bytes for n Mazovia bytes; Polish letters need two each.
  std::string polish;
  for (const Letter& letter : kPolish) polish += static_cast<char>(letter.mazovia);
  std::string out(2 * polish.size() + 10, '#');
  int written = host::HostConvertTextSized(out.data(), static_cast<int>(out.size()), polish.c_str(), -1, 1, 6);
  EXPECT_EQ(written, 36);
  EXPECT_EQ(std::string(out.c_str()), ConvertCodePage(polish, 1, 6));
}

TEST(ConvertTextSized, HonoursTheSourceLengthAndRefusesNoRoom) {
  char out[8];
  EXPECT_EQ(host::HostConvertTextSized(out, 8, "\x92xyz", 2, 1, 6), 3);
  EXPECT_STREQ(out, "łx");
  EXPECT_EQ(host::HostConvertTextSized(out, 8, "a\0bc", 4, 1, 6), 1);  // the NUL ends it
  EXPECT_EQ(host::HostConvertTextSized(out, 1, "abc", -1, 1, 6), 0);
  EXPECT_STREQ(out, "");
  out[0] = '#';
  EXPECT_EQ(host::HostConvertTextSized(out, 0, "abc", -1, 1, 6), -1);
  EXPECT_EQ(out[0], '#');
  EXPECT_EQ(host::HostConvertTextSized(nullptr, 8, "abc", -1, 1, 6), -1);
  EXPECT_EQ(host::HostConvertTextSized(out, 8, nullptr, -1, 1, 6), -1);
  EXPECT_STREQ(out, "");
}

}  // namespace
