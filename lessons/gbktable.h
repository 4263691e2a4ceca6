#pragma once

// The character of every two-byte GBK code, as GB18030 gives it: lead bytes 81–FE, each with
// the trail bytes 40–7E and 80–FE (190 of them), in that order. Made by scripts/make-gbk-table.

namespace mulo {

constexpr int gbkTrailCount = 190;
constexpr int gbkTableSize = 126 * gbkTrailCount;
extern const char16_t gbkTable[gbkTableSize];

} // namespace mulo
