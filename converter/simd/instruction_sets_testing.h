// For tests of the block loops: a test per instruction set, skipped where
// the processor or the build lacks it, and a helper that runs something
// with a given set and then goes back to the best.
#pragma once
#include <gtest/gtest.h>

#include "converter/simd/convert_blocks.h"

namespace brindle::testing {

template <class F>
auto WithInstructionSet(blocks::InstructionSet set, F f) {
  blocks::UseInstructionSet(set);
  auto result = f();
  blocks::UseInstructionSet(blocks::BestInstructionSet());
  return result;
}

class EachInstructionSet : public ::testing::TestWithParam<blocks::InstructionSet> {
 protected:
  void SetUp() override {
    const bool available =
        WithInstructionSet(GetParam(), [this] { return blocks::CurrentInstructionSet() == GetParam(); });
    if (!available) GTEST_SKIP() << "this processor or build lacks the instruction set";
  }
};

inline std::string InstructionSetName(const ::testing::TestParamInfo<blocks::InstructionSet>& info) {
  switch (info.param) {
    case blocks::InstructionSet::Sse2: return "Sse2";
    case blocks::InstructionSet::Avx2: return "Avx2";
    case blocks::InstructionSet::Avx512: return "Avx512";
    default: return "None";
  }
}

}  // namespace brindle::testing

#define BRINDLE_FOR_EACH_INSTRUCTION_SET(suite)                                                                 \
  INSTANTIATE_TEST_SUITE_P(InstructionSets, suite,                                                              \
                           ::testing::Values(::brindle::blocks::InstructionSet::Sse2,                           \
                                             ::brindle::blocks::InstructionSet::Avx2,                           \
                                             ::brindle::blocks::InstructionSet::Avx512),                        \
                           ::brindle::testing::InstructionSetName)
