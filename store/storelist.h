// The store list: a plain-text file on the store server naming every
// published program, one per line. Pure functions on decoded UTF-16 text;
// fetching the file and decoding its bytes belong to the store window.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

// The server-side relative path that the publishing side writes before each
// file name; it is removed wherever it stands in a line.
inline constexpr std::u16string_view kServerPathFragment = u"../public_html/appstore/";

// Splits at every LF (CR is ordinary text). An empty text gives no pieces;
// otherwise n LFs give n + 1 pieces. The views point into `list`.
std::vector<std::u16string_view> SplitStoreList(std::u16string_view list);

// Removes every occurrence of the fragment in one left-to-right pass without
// overlaps. Removal can join two halves into a new occurrence; that one
// stays, since a second pass would no longer be the one-pass rule.
std::u16string RemoveServerPathFragment(std::u16string_view piece);

// True when `search` occurs in `entry` (case-sensitive). An empty entry never
// matches; an empty search matches every other entry.
bool EntryMatches(std::u16string_view entry, std::u16string_view search);

// Receives each listed entry in file order. The view is valid only during
// the call: it points either into the list text or into a scratch buffer
// that the next entry reuses.
class EntrySink {
 public:
  virtual void Entry(std::u16string_view entry) = 0;

 protected:
  ~EntrySink() = default;
};

// Walks every piece of the list in order (no limit on their number), strips
// the fragment and hands each entry that matches `search` to `sink`. One
// linear pass; entries without a fragment are not copied at all. Returns
// the number of pieces walked.
std::size_t FilterStoreList(std::u16string_view list, std::u16string_view search,
                            EntrySink& sink);

// Convenience for callers that want the entries as owned strings.
std::vector<std::u16string> ListedEntries(std::u16string_view list,
                                          std::u16string_view search);

// The list's http address on the store server, the base under which the
// programs are downloaded (ends with a slash), and an entry's download
// address: the base followed by the entry, unescaped and untrimmed.
std::u16string StoreListAddress();
std::u16string StoreDownloadBase();
std::u16string DownloadAddress(std::u16string_view entry);

}  // namespace brindle
