#pragma once

// The code points emoji are made of, beyond ASCII, in ascending ranges. Made by
// scripts/make-emoji-table.

namespace mulo {

struct CodeRange {
    char32_t first, last;
};

constexpr int emojiRangeCount = 152;
extern const CodeRange emojiRanges[emojiRangeCount];

} // namespace mulo
