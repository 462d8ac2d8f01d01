#include "workbook/xml_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace ovix::workbook {
namespace {

// The buffer keeps spare room past its text; whatever the caller sees through
// str() and size() must be the text alone, however writes and hand-outs mix.
TEST(XmlBuffer, TextSeenThroughStrIsExactlyWhatWasWritten) {
  XmlBuffer x;
  EXPECT_EQ(x.size(), 0u);
  EXPECT_EQ(x.str(), "");
  x.Raw("<a").Attr("n", int64_t{-12}).Attr("s", "x&y").Raw(">").Int(0).Raw("</a>");
  EXPECT_EQ(x.size(), x.str().size());
  EXPECT_EQ(x.str(), "<a n=\"-12\" s=\"x&amp;y\">0</a>");

  // The caller changes the string; writing resumes at its new end.
  x.str() += "<b/>";
  x.Raw("<c/>");
  EXPECT_EQ(x.str(), "<a n=\"-12\" s=\"x&amp;y\">0</a><b/><c/>");
  x.str().clear();
  EXPECT_EQ(x.size(), 0u);
  x.Int(std::numeric_limits<int64_t>::min()).Raw(" ").Int(std::numeric_limits<int64_t>::max());
  EXPECT_EQ(x.str(), "-9223372036854775808 9223372036854775807");

  // Moved out whole, the buffer starts again empty and stays usable.
  const std::string taken = std::move(x.str());
  EXPECT_EQ(taken, "-9223372036854775808 9223372036854775807");
  x.str().clear();
  x.Attr("k", "v");
  EXPECT_EQ(x.str(), " k=\"v\"");
}

// Long output grows through many reallocations; every piece lands in order
// and size() tracks it between hand-outs, as the chunked drawing writer uses it.
TEST(XmlBuffer, GrowsAcrossManyWritesAndHandOuts) {
  XmlBuffer x;
  std::string expected;
  std::string spilled;
  for (int i = 0; i < 50000; ++i) {
    x.Raw("<p i=\"").Int(i).Raw("\"").Attr("t", i % 7 == 0 ? "<\"\t>" : "plain").Raw("/>");
    expected += "<p i=\"" + std::to_string(i) + "\"" + (i % 7 == 0 ? " t=\"&lt;&quot;&#9;&gt;\"" : " t=\"plain\"") +
                "/>";
    if (i % 1000 == 999) {
      ASSERT_EQ(x.size(), x.str().size());
      spilled += x.str();
      x.str().clear();
      ASSERT_EQ(x.size(), 0u);
    }
    if (i == 123) x.Reserve(1 << 20);
  }
  spilled += x.str();
  EXPECT_EQ(spilled, expected);
}

// Characters beyond ASCII are written as UTF-8; malformed bytes become U+FFFD
// and characters XML cannot hold are dropped.
TEST(XmlBuffer, EscapesTextFromOutside) {
  XmlBuffer x;
  x.Text("\xE5\x9B\xB3\xE9\x9D\xA2 \xF0\x9F\x98\x80 \xC3\xA9");  // three-, four- and two-byte characters
  x.Text(std::string_view("\x01\xFF<\r", 4));
  x.Text(std::u32string_view(U"\u00E9\U0001F600&\x02\"\uFFFE"));
  EXPECT_EQ(x.str(),
            "\xE5\x9B\xB3\xE9\x9D\xA2 \xF0\x9F\x98\x80 \xC3\xA9"
            "\xEF\xBF\xBD&lt;&#13;"
            "\xC3\xA9\xF0\x9F\x98\x80&amp;\"");
}

}  // namespace
}  // namespace ovix::workbook
