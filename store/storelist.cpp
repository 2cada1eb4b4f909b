#include "store/storelist.h"

#include "product/product.h"

namespace brindle {

namespace {

constexpr std::u16string_view kStorePath = u"/appstore/";
constexpr std::u16string_view kListFile = u"uploaded_files.txt";

// Calls `piece` for each LF-separated piece of `list`, in order.
template <class F>
std::size_t ForEachPiece(std::u16string_view list, F&& piece) {
  if (list.empty()) return 0;
  std::size_t count = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t lf = list.find(u'\n', start);
    ++count;
    if (lf == std::u16string_view::npos) {
      piece(list.substr(start));
      return count;
    }
    piece(list.substr(start, lf - start));
    start = lf + 1;
  }
}

// Writes `piece` without its fragment occurrences into `out`, replacing what
// `out` held. Returns false (leaving `out` alone) when there is none, so the
// caller can use the piece itself.
bool StripInto(std::u16string_view piece, std::u16string& out) {
  std::size_t hit = piece.find(kServerPathFragment);
  if (hit == std::u16string_view::npos) return false;
  out.clear();
  std::size_t from = 0;
  while (hit != std::u16string_view::npos) {
    out.append(piece.substr(from, hit - from));
    from = hit + kServerPathFragment.size();
    hit = piece.find(kServerPathFragment, from);
  }
  out.append(piece.substr(from));
  return true;
}

}  // namespace

std::vector<std::u16string_view> SplitStoreList(std::u16string_view list) {
  std::vector<std::u16string_view> pieces;
  ForEachPiece(list, [&](std::u16string_view p) { pieces.push_back(p); });
  return pieces;
}

std::u16string RemoveServerPathFragment(std::u16string_view piece) {
  std::u16string out;
  if (!StripInto(piece, out)) out.assign(piece);
  return out;
}

bool EntryMatches(std::u16string_view entry, std::u16string_view search) {
  return !entry.empty() && entry.find(search) != std::u16string_view::npos;
}

std::size_t FilterStoreList(std::u16string_view list, std::u16string_view search,
                            EntrySink& sink) {
  std::u16string scratch;
  return ForEachPiece(list, [&](std::u16string_view piece) {
    const std::u16string_view entry =
        StripInto(piece, scratch) ? std::u16string_view(scratch) : piece;
    if (EntryMatches(entry, search)) sink.Entry(entry);
  });
}

std::vector<std::u16string> ListedEntries(std::u16string_view list,
                                          std::u16string_view search) {
  struct Collect final : EntrySink {
    std::vector<std::u16string> entries;
    void Entry(std::u16string_view e) override { entries.emplace_back(e); }
  } collect;
  FilterStoreList(list, search, collect);
  return std::move(collect.entries);
}

std::u16string StoreListAddress() {
  std::u16string address(kStoreServer);
  address.append(kStorePath).append(kListFile);
  return address;
}

std::u16string StoreDownloadBase() {
  std::u16string address(kStoreServer);
  address.append(kStorePath);
  return address;
}

std::u16string DownloadAddress(std::u16string_view entry) {
  return StoreDownloadBase().append(entry);
}

}  // namespace brindle
