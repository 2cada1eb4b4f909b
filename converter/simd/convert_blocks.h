// The fast path of the expression writer: converts the middle of a large
// piece in chunks, with no branch that depends on the text. Used by
// BasicExpressionWriter::Write only. Portable: no Windows headers; without
// SSE2 it converts nothing and the writer's own loop does it all.
#pragma once
#include <cstdint>

namespace brindle::blocks {

// The writer's states: nothing written yet, a literal open, just after a
// line break with the next literal not yet opened.
constexpr std::uint8_t kEmpty = 0, kOpen = 1, kAfterBreak = 2;

// Converts whole chunks from p on while enough of the piece follows them,
// and leaves p after the last character converted (never inside a CR LF
// pair), `at` after the output and `state` as the writer would. `at` must
// have room for 16 characters of output for each one of input, plus 32.
template <class Char>
void ConvertBlocks(const Char*& p, const Char* end, Char*& at, std::uint8_t& state);

// The builds of the loop: none (the writer's own loop does everything),
// SSE2, AVX2, AVX-512. The best the processor has is used unless a test or a
// benchmark asks for another; a request for one it lacks gets the best.
enum class InstructionSet : std::uint8_t { None, Sse2, Avx2, Avx512 };
InstructionSet BestInstructionSet();
void UseInstructionSet(InstructionSet set);
InstructionSet CurrentInstructionSet();

extern template void ConvertBlocks<char16_t>(const char16_t*&, const char16_t*, char16_t*&, std::uint8_t&);
extern template void ConvertBlocks<char>(const char*&, const char*, char*&, std::uint8_t&);

}  // namespace brindle::blocks
