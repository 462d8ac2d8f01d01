#pragma once
// UTF-8 to code points and back, for the characters of text boxes and for
// text written into XML parts. Malformed input never fails: each byte that
// does not start a well-formed sequence becomes U+FFFD.

#include <string>
#include <string_view>

namespace ovix::workbook {

std::u32string DecodeUtf8(std::string_view text);
void AppendUtf8(char32_t c, std::string& out);
std::string EncodeUtf8(std::u32string_view text);

}  // namespace ovix::workbook
