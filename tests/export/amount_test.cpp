// An amount's way through the report, in one table: host units to grosze, the text written,
// and the checksum that adds them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "export/amount.h"

namespace {

std::string Written(double units) {
  std::int64_t hundredths = 0;
  if (!AmountInHundredths(units, &hundredths)) return "<unreadable>";
  char text[kAmountTextSize];
  AmountText(text, hundredths);
  return text;
}

TEST(Amount, HostUnitsBecomeGroszeOnceAndAreWrittenFromThem) {
  const struct {
    double units;
    const char* text;
  } cases[] = {
      {0, "0.00"},
      {49, "0.00"},                 // below half a grosz
      {50, "0.01"},                 // half a grosz rounds away from zero
      {-50, "-0.01"},
      {-49, "0.00"},                // no grosz, no sign
      {250125, "25.01"},
      {250149.99, "25.01"},         // the fraction of a unit never decides
      {250150, "25.02"},
      {-250150, "-25.02"},
      {2147483650.0, "214748.37"},  // past what 32 bits hold
      {3000000000.0, "300000.00"},
      {1e15, "100000000000.00"},
      {9.1e18, "910000000000000.00"},
      {9.2e18, "<unreadable>"},     // its grosze would not fit 64 bits
      {-9.2e18, "<unreadable>"},
      {std::numeric_limits<double>::infinity(), "<unreadable>"},
      {std::nan(""), "<unreadable>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Written(c.units), c.text) << c.units;

  char text[kAmountTextSize];
  AmountText(text, std::numeric_limits<std::int64_t>::min());
  EXPECT_STREQ(text, "-92233720368547758.08");
  AmountText(text, 7);
  EXPECT_STREQ(text, "0.07");
}

TEST(Amount, TheChecksumIsTheSumOfTheGroszeAndRefusesToOverflow) {
  std::int64_t checksum = 0;
  for (std::int64_t grosze : {2501LL, 123LL, 1LL, 2147483700LL}) {
    EXPECT_TRUE(AddToChecksum(&checksum, grosze));
  }
  EXPECT_EQ(checksum, 2147486325LL);
  char text[kAmountTextSize];
  AmountText(text, checksum);
  EXPECT_STREQ(text, "21474863.25");

  checksum = std::numeric_limits<std::int64_t>::max() - 1;
  EXPECT_FALSE(AddToChecksum(&checksum, 2));
  EXPECT_EQ(checksum, std::numeric_limits<std::int64_t>::max() - 1);
  EXPECT_TRUE(AddToChecksum(&checksum, 1));
}

}  // namespace
