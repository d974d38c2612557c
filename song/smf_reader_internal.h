#pragma once

// The reader's variable-length quantities, for the tests.

#include <cstddef>
#include <cstdint>

// Decodes one variable-length quantity of songData.bytes at `pos`, bounded by
// the end of the bytes only, and advances `pos` past it.
std::uint32_t readVarLen(std::size_t& pos);
