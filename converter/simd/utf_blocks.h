// The input check's fast path: whether a stretch of bytes is valid UTF-8, or
// valid UTF-16LE, decided many bytes a step with no branch on the text and
// no slower path for text beyond ASCII. It only says yes or no: where the
// answer is no, the character loops of utf.cpp run over the same bytes and
// say where the input goes wrong, so that the messages are theirs. Portable:
// no Windows headers; without the instructions it always says no.
#pragma once
#include <cstddef>

namespace brindle::blocks {

// Whether the n bytes from p are UTF-8 throughout, with no sequence cut off
// by the end. False also when the instruction set in use is None.
bool IsUtf8(const char* p, std::size_t n);

// Whether the n bytes from p (n even) are UTF-16LE units in which every high
// surrogate is followed by a low one and every low one follows a high one,
// the last unit no high surrogate. False also when the set in use is None.
bool IsUtf16Le(const char* p, std::size_t n);

}  // namespace brindle::blocks
