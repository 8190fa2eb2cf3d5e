#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/ole_error.h"
#include "scan/row_texts.h"
#include "scan/wmi_values.h"

namespace orvel {
namespace {

WmiValue Txt(const char* text) { return WmiValue::FromText(text); }

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
  const struct { double in, out; } cases[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
      {2.4999999, 2}, {2.5000001, 3}, {7, 7}, {4503599627370495.5, 4503599627370496.0},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(WmiConversionTest, IntegerFieldsKeepTheLow32Bits) {
  const struct { WmiValue in; std::uint32_t out; } cases[] = {
      {WmiValue::FromInteger(-2), 4294967294u},
      {Txt("-2"), 4294967294u},
      {Txt("4294967296"), 0},
      {Txt("4294967297"), 1},
      {Txt("+7"), 7},
      {Txt("9223372036854775807"), 0xFFFFFFFFu},
      {WmiValue::FromReal(2.5), 2},
      {WmiValue::FromReal(3.5), 4},
  };
  for (const auto& c : cases) EXPECT_EQ(WmiLow32(c.in), c.out) << c.in.text << c.in.integer << c.in.real;
}

TEST(WmiConversionTest, ValuesThatAreNoWholeNumberFail) {
  const WmiValue cases[] = {
      Txt(""), Txt("abc"), Txt("7x"), Txt(" 7"), Txt("+-7"), Txt("1.5"), Txt("9223372036854775808"),
      WmiValue::FromReal(std::numeric_limits<double>::quiet_NaN()), WmiValue::FromReal(1e300), WmiValue::Null(),
  };
  for (const WmiValue& value : cases) {
    try {
      WmiLow32(value);
      ADD_FAILURE() << "converted: " << value.text;
    } catch (const EOleError& error) {
      EXPECT_EQ(error.Code(), kTypeMismatch);
      EXPECT_FALSE(std::string(error.what()).empty());
    }
  }
}

TEST(WmiConversionTest, WorkingSetIsTruncatedToKilobytes) {
  const struct { const char* bytes; std::uint32_t kb; } cases[] = {
      {"0", 0}, {"1023", 0}, {"1024", 1}, {"2047", 1}, {"3000000000", 2929687},
      {"8796093022208", 0},  // 2^43 bytes are 2^33 KB: the low 32 bits
      {"8796093023232", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(WmiKilobytes(Txt(c.bytes)), c.kb) << c.bytes;
}

TEST(WmiConversionTest, ProcessorTimeIsRoundedToWholeSecondsHalfToEven) {
  const struct { WmiValue ticks; std::uint32_t seconds; } cases[] = {
      {Txt("0"), 0},         {Txt("4999999"), 0},  {Txt("5000000"), 0},  {Txt("5000001"), 1},
      {Txt("15000000"), 2},  {Txt("25000000"), 2}, {Txt("35000000"), 4}, {Txt("30000000"), 3},
      {Txt("-15000000"), 4294967294u},
      {WmiValue::FromInteger(25000000), 2},
      {WmiValue::FromReal(15000000.0), 2},
  };
  for (const auto& c : cases) EXPECT_EQ(WmiSeconds(c.ticks), c.seconds) << c.ticks.text << c.ticks.integer;
}

TEST(WmiConversionTest, ProcessorTimeBeyond32BitsWrapsWithoutOverflow) {
  const std::int64_t seconds = 922337203685;  // 9223372036854775807 ticks, rounded down
  EXPECT_EQ(WmiSeconds(Txt("9223372036854775807")), static_cast<std::uint32_t>(seconds % 4294967296));
}

TEST(WmiConversionTest, TextFieldsTakeTheTextOrTheNumberInDecimal) {
  EXPECT_EQ(WmiText(Txt("svchost.exe")), "svchost.exe");
  EXPECT_EQ(WmiText(WmiValue::FromInteger(-5)), "-5");
  EXPECT_EQ(WmiText(WmiValue::FromReal(2.5)), "2.5");
}

TEST(OleMessageTextTest, TrailingBlanksControlCharactersAndFullStopsGo) {
  const struct { std::string in, out; } cases[] = {
      {"Access denied. ", "Access denied"},
      {"Invalid class.\r\n", "Invalid class"},
      {std::string("Done.\t\0", 7), "Done"},
      {"v1.2 failed", "v1.2 failed"},
      {" . . ", ""},
      {"", ""},
      {"Stra\u00DFe\u00A0", "Stra\u00DFe\u00A0"},  // a no-break space is above code 32
  };
  for (const auto& c : cases) EXPECT_EQ(TrimMessageText(c.in), c.out) << c.in;
}

TEST(OleMessageTextTest, DescriptionThenSystemTextThenTheCode) {
  const struct { std::string description, system; std::uint32_t code; std::string out; } cases[] = {
      {"Access denied. ", "System text.", 0x80070005u, "Access denied"},
      {" . ", "The RPC server is unavailable.\r\n", 0x800706BAu, "The RPC server is unavailable"},
      {"", "", 0x8004100Eu, "OLE-Fehler 8004100E"},
      {"..", " ", 0x0000ABCDu, "OLE-Fehler 0000ABCD"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OleMessageText(c.description, c.system, static_cast<std::int32_t>(c.code)), c.out) << c.out;
}

TEST(FormatWithArgumentTest, TheArgumentIsInsertedLiterally) {
  const struct { const char* pattern; const char* argument; const char* out; } cases[] = {
      {"%d processes", "57", "57 processes"},
      {"Search \"WMI %s\" now", "50%s %d done", "Search \"WMI 50%s %d done\" now"},
      {"100%% of %s", "x", "100% of x"},
      {"%s and %s", "a", "a and %s"},
      {"no placeholder", "x", "no placeholder"},
      {"trailing %", "x", "trailing %"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatWithArgument(c.pattern, c.argument), c.out) << c.pattern;
}

}  // namespace
}  // namespace orvel
