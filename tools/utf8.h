#pragma once
// Character-wise operations on UTF-8 text. Texts are UTF-8 throughout the
// program; wherever a count, a cut or a position is about "characters" it
// means characters (code points), not bytes: a Japanese character is one.
//
// Malformed input never fails: a byte that does not begin a well-formed
// sequence counts as one character of its own, so every byte belongs to
// exactly one character and the operations stay linear in the text's size.

#include <cstddef>
#include <string_view>

namespace ovix::utf8 {

inline constexpr std::size_t npos = static_cast<std::size_t>(-1);

// Number of bytes of the character that starts at byte `offset` (1 to 4; 1
// for a malformed byte; 0 at or past the end).
std::size_t SequenceLength(std::string_view text, std::size_t offset);

// Number of characters in `text`.
std::size_t Length(std::string_view text);

// Byte offset of character number `index` (0-based); text.size() when the
// text has no more than `index` characters.
std::size_t ByteOffset(std::string_view text, std::size_t index);

// The characters from number `start` (0-based) on, at most `count` of them;
// empty when `start` is past the end. The result views `text`.
std::string_view Substr(std::string_view text, std::size_t start, std::size_t count = npos);

// Character number `index` (0-based) as its bytes; empty past the end.
std::string_view CharAt(std::string_view text, std::size_t index);

// The first / last `count` characters (the whole text when it is shorter).
std::string_view Left(std::string_view text, std::size_t count);
std::string_view Right(std::string_view text, std::size_t count);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValid(std::string_view text);

}  // namespace ovix::utf8
