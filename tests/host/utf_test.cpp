#include <gtest/gtest.h>

#include "platform/utf.h"

namespace orvel {
namespace {

TEST(UtfTest, RoundTripsEveryPlaneThroughUtf16) {
  const std::u16string wide = u"A\u00e9\u0141\u03a9\u65e5\U0001F600z";
  const std::string utf8 = utf::ToUtf8(std::u16string_view(wide));
  EXPECT_EQ(utf8, "A\xC3\xA9\xC5\x81\xCE\xA9\xE6\x97\xA5\xF0\x9F\x98\x80z");
  EXPECT_EQ(utf::ToUtf16(utf8), wide);
  EXPECT_EQ(utf::Utf16Length(utf8), wide.size());
}

TEST(UtfTest, MalformedTextReadsAsReplacementsWithoutReadingPastTheEnd) {
  const struct { std::string in; std::u16string out; } cases[] = {
      {"\x80", u"\uFFFD"},                        // stray continuation byte
      {"a\xE6\x97", u"a\uFFFD\uFFFD"},            // cut short at the end
      {"\xC0\xAF", u"\uFFFD\uFFFD"},              // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},    // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xE6x", u"\uFFFDx"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utf::ToUtf16(c.in), c.out) << c.in;
    EXPECT_EQ(utf::Utf16Length(c.in), c.out.size()) << c.in;
  }
  EXPECT_EQ(utf::ToUtf8(std::u16string_view(u"\xD800x\xDC00")), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

}  // namespace
}  // namespace orvel
