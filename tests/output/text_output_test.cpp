// Formatting into memory, _fprintfUTF and ShowMessageV, through the host's services.
#include <cstring>

#include "binding/host_api.h"
#include "host/memory/memory.h"
#include "output/text_output.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

using testsupport::ReadBytes;

TEST(FormatText, CutsAtTheBufferAndSaysWhatItStored) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(FormatText(buffer, 6, "Kasa%02d", 3), 5);
  EXPECT_STREQ(buffer, "Kasa0");
  EXPECT_EQ(buffer[6], 'x');
  EXPECT_EQ(FormatText(buffer, sizeof buffer, "%d", 42), 2);
  EXPECT_STREQ(buffer, "42");
  EXPECT_EQ(FormatText(buffer, 0, "%d", 42), -1);
}

class FprintfUtf : public testsupport::PluginInProcess {
 protected:
  void SetUp() override {
    PluginInProcess::SetUp();
    file_ = HostOpenFile("out.xml", "wt", 64, 0, -1);
    ASSERT_NE(file_, nullptr);
  }
  // Closes the file and gives its bytes.
  std::string Written() {
    HostCloseFile(file_);
    file_ = nullptr;
    return ReadBytes("out.xml");
  }
  void TearDown() override {
    if (file_ != nullptr) HostCloseFile(file_);
    EXPECT_EQ(host::OutstandingBlocks(), 0);
    PluginInProcess::TearDown();
  }
  HostFile* file_ = nullptr;
};

TEST_F(FprintfUtf, PolishLettersReachTheFileInUtf8AndPiecesAppendInOrder) {
  _fprintfUTF(file_, "<a>%s</a>", "\x92\xA7");
  _fprintfUTF(file_, "%d\n", 7);
  EXPECT_EQ(Written(), "<a>\xC5\x82\xC5\xBC</a>7\n");
}

TEST_F(FprintfUtf, APercentSignInAnArgumentIsWrittenAsItIs) {
  _fprintfUTF(file_, "<Shop>%s</Shop>", "50% rabatu %d %s %n");
  EXPECT_EQ(Written(), "<Shop>50% rabatu %d %s %n</Shop>");
}

TEST_F(FprintfUtf, AnEmptyPieceWritesNothing) {
  _fprintfUTF(file_, "%s", "");
  _fprintfUTF(file_, "");
  EXPECT_EQ(Written(), "");
}

// A piece full of characters that take three bytes in UTF-8 is converted whole: its closing
// tag is not lost.
TEST_F(FprintfUtf, BoxDrawingCharactersAreConvertedWhole) {
  std::string boxes(2000, '\xC4');  // U+2500
  _fprintfUTF(file_, "<r>%s</r>\n", boxes.c_str());
  std::string expected = "<r>";
  for (int i = 0; i < 2000; ++i) expected += "\xE2\x94\x80";
  expected += "</r>\n";
  EXPECT_EQ(Written(), expected);
}

TEST_F(FprintfUtf, APieceLongerThanTheFormatBufferIsCutNotOverrun) {
  std::string huge(300000, 'a');
  _fprintfUTF(file_, "%s", huge.c_str());
  EXPECT_EQ(Written(), std::string(201 * 1024, 'a'));
}

TEST_F(FprintfUtf, NoFormatBufferMeansNothingWrittenAndNothingShown) {
  host::FailAllocation(1);
  _fprintfUTF(file_, "<a>%s</a>", "x");
  EXPECT_EQ(Written(), "");
  EXPECT_TRUE(Events("alert").empty());
}

TEST_F(FprintfUtf, NoConversionBufferShowsTheMessageOnceAndWritesNothing) {
  host::FailAllocation(2);
  _fprintfUTF(file_, "<a>%s</a>", "x");
  _fprintfUTF(file_, "<b/>");
  EXPECT_EQ(Written(), "<b/>");
  auto alerts = Events("alert");
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0]["text"], "Nie udało się zająć pamięci dla zmiennej w funkcji _fprintfUTF");
}

TEST_F(FprintfUtf, EachPieceTakesTwoBlocksAndGivesThemBack) {
  long before = host::AllocationCount();
  _fprintfUTF(file_, "%s", "x");
  EXPECT_EQ(host::AllocationCount() - before, 2);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

class ShowMessage : public testsupport::PluginInProcess {};

TEST_F(ShowMessage, TheHostFormatsTheTextFromTheValues) {
  ShowMessageV("uwaga", "B\x92\x86" "d otwarcia pliku:%s", 1, "RAP_KART\\H0001.xml");
  auto messages = Events("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["title"], "uwaga");
  EXPECT_EQ(messages[0]["text"], "Błąd otwarcia pliku:RAP_KART\\H0001.xml");
  EXPECT_EQ(messages[0]["style"], 1);
}

}  // namespace
