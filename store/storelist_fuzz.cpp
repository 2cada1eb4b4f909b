// Feeds arbitrary text to the store list filter and checks it against an
// independent, character-by-character model of the format.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "store/storelist.h"

namespace {

using brindle::kServerPathFragment;

void Require(bool ok) {
  if (!ok) std::abort();
}

// The text alphabet is small so that fragments, LFs and CRs turn up often.
char16_t Symbol(uint8_t b) {
  static constexpr char16_t kAlphabet[] = u"./_aeilnoprstbhmpu\n\r \0\xe9\x4e2d";
  constexpr std::size_t n = sizeof(kAlphabet) / sizeof(kAlphabet[0]) - 1;
  return b < 0xF0 ? kAlphabet[b % n] : static_cast<char16_t>(0xD800 + b);
}

bool StartsWithFragmentAt(std::u16string_view s, std::size_t i) {
  if (s.size() - i < kServerPathFragment.size()) return false;
  for (std::size_t k = 0; k < kServerPathFragment.size(); ++k)
    if (s[i + k] != kServerPathFragment[k]) return false;
  return true;
}

// Removal by hand, remembering where in the result each cut was made.
std::u16string ModelStrip(std::u16string_view piece, std::vector<std::size_t>& cuts) {
  std::u16string out;
  for (std::size_t i = 0; i < piece.size();) {
    if (StartsWithFragmentAt(piece, i)) {
      cuts.push_back(out.size());
      i += kServerPathFragment.size();
    } else {
      out += piece[i++];
    }
  }
  return out;
}

struct Recorder final : brindle::EntrySink {
  std::vector<std::u16string> entries;
  void Entry(std::u16string_view e) override { entries.emplace_back(e); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte says how long the search text is; the rest is the list.
  const std::size_t search_len = data[0] % 8;
  std::u16string search, list;
  for (std::size_t i = 1; i < size; ++i)
    (i <= search_len ? search : list) += Symbol(data[i]);
  if (data[0] & 0x80) search.assign(kServerPathFragment.substr(data[0] % 20, search_len));

  Recorder got;
  const std::size_t pieces = brindle::FilterStoreList(list, search, got);

  // Pieces: none for an empty text, otherwise one more than the LFs.
  std::size_t lfs = 0;
  for (char16_t c : list) lfs += c == u'\n';
  Require(pieces == (list.empty() ? 0 : lfs + 1));
  Require(brindle::SplitStoreList(list).size() == pieces);
  Require(got.entries.size() <= pieces);

  // Walk the model in step: the filter must list exactly its matches, in order.
  std::vector<std::u16string> want;
  std::size_t start = 0;
  for (std::size_t p = 0; p < pieces; ++p) {
    std::size_t end = start;
    while (end < list.size() && list[end] != u'\n') ++end;
    const std::u16string_view piece = std::u16string_view(list).substr(start, end - start);
    std::vector<std::size_t> cuts;
    const std::u16string entry = ModelStrip(piece, cuts);
    Require(brindle::RemoveServerPathFragment(piece) == entry);
    // Any fragment left in an entry was made by joining the text around a
    // cut, so it must straddle one; otherwise removal missed it.
    for (std::size_t i = 0; i < entry.size(); ++i) {
      if (!StartsWithFragmentAt(entry, i)) continue;
      bool straddles = false;
      for (std::size_t c : cuts) straddles |= c > i && c < i + kServerPathFragment.size();
      Require(straddles);
    }
    if (!entry.empty() && entry.find(search) != std::u16string::npos) want.push_back(entry);
    start = end + 1;
  }
  Require(got.entries == want);
  for (const auto& e : got.entries) {
    Require(!e.empty());
    Require(e.find(u'\n') == std::u16string::npos);
    Require(e.find(search) != std::u16string::npos);
  }
  return 0;
}
