#include "store/storelist.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "product/product.h"

namespace brindle {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Entries = std::vector<std::u16string>;

const std::u16string kWorkedExample =
    u"../public_html/appstore/clock.zip\n"
    u"../public_html/appstore/paint demo.zip\n"
    u"\n"
    u"readme.txt\n"
    u"../public_html/appstore/\n";

TEST(StoreListTest, WorkedExampleSplitsIntoSixPiecesAndFiltersBySearch) {
  const auto pieces = SplitStoreList(kWorkedExample);
  ASSERT_EQ(pieces.size(), 6u);
  Entries stripped;
  for (auto p : pieces) stripped.push_back(RemoveServerPathFragment(p));
  EXPECT_THAT(stripped,
              ElementsAre(u"clock.zip", u"paint demo.zip", u"", u"readme.txt", u"", u""));

  EXPECT_THAT(ListedEntries(kWorkedExample, u""),
              ElementsAre(u"clock.zip", u"paint demo.zip", u"readme.txt"));
  EXPECT_THAT(ListedEntries(kWorkedExample, u"zip"),
              ElementsAre(u"clock.zip", u"paint demo.zip"));
  EXPECT_THAT(ListedEntries(kWorkedExample, u"Zip"), IsEmpty());
  EXPECT_THAT(ListedEntries(kWorkedExample, u"public"), IsEmpty());
  EXPECT_THAT(ListedEntries(kWorkedExample, u"demo.zip"), ElementsAre(u"paint demo.zip"));

  EXPECT_EQ(DownloadAddress(u"paint demo.zip"),
            std::u16string(kStoreServer) + u"/appstore/paint demo.zip");
}

TEST(StoreListTest, SplitsOnlyAtLineFeeds) {
  EXPECT_THAT(SplitStoreList(u""), IsEmpty());
  EXPECT_THAT(SplitStoreList(u"a"), ElementsAre(u"a"));
  EXPECT_THAT(SplitStoreList(u"\n"), ElementsAre(u"", u""));
  EXPECT_THAT(SplitStoreList(u"a\n\nb\n"), ElementsAre(u"a", u"", u"b", u""));
  // CR is ordinary text, so CR LF lines keep their CR and a lone CR splits nothing.
  EXPECT_THAT(SplitStoreList(u"a\r\nb\rc\r\n"), ElementsAre(u"a\r", u"b\rc\r", u""));
}

TEST(StoreListTest, RemovesEveryFragmentInOnePassWithoutOverlap) {
  EXPECT_EQ(RemoveServerPathFragment(u"../public_html/appstore/"), u"");
  EXPECT_EQ(RemoveServerPathFragment(u"../public_html/appstore/../public_html/appstore/x"), u"x");
  EXPECT_EQ(RemoveServerPathFragment(u"a../public_html/appstore/b../public_html/appstore/"), u"ab");
  EXPECT_EQ(RemoveServerPathFragment(u" ../public_html/appstore/x y "), u" x y ");
  // Case-sensitive, and a near miss is left whole.
  EXPECT_EQ(RemoveServerPathFragment(u"../Public_html/appstore/x"), u"../Public_html/appstore/x");
  EXPECT_EQ(RemoveServerPathFragment(u"../public_html/appstore"), u"../public_html/appstore");
  // The halves around a removed fragment that join into a new one stay: one pass only.
  EXPECT_EQ(RemoveServerPathFragment(u"../public_html/a../public_html/appstore/ppstore/x"),
            u"../public_html/appstore/x");
}

TEST(StoreListTest, MatchIsCaseSensitiveSubstringAndEmptyEntryNeverMatches) {
  EXPECT_TRUE(EntryMatches(u"clock.zip", u""));
  EXPECT_TRUE(EntryMatches(u"clock.zip", u"clock.zip"));
  EXPECT_TRUE(EntryMatches(u"clock.zip", u"k.z"));
  EXPECT_TRUE(EntryMatches(u"clock.zip", u"p"));
  EXPECT_FALSE(EntryMatches(u"clock.zip", u"Clock"));
  EXPECT_FALSE(EntryMatches(u"clock.zip", u"clock.zipx"));
  EXPECT_FALSE(EntryMatches(u"", u""));
  EXPECT_FALSE(EntryMatches(u"", u"a"));
}

TEST(StoreListTest, ListedEntriesKeepFileOrderDuplicatesAndCarriageReturns) {
  const std::u16string list =
      u"../public_html/appstore/b.zip\r\n"
      u"a.zip\r\n"
      u"../public_html/appstore/b.zip\r\n"
      u"\r\n"
      u"../public_html/appstore/\r\n";
  // The empty-looking lines are a lone CR: not empty, so they are listed.
  EXPECT_THAT(ListedEntries(list, u""),
              ElementsAre(u"b.zip\r", u"a.zip\r", u"b.zip\r", u"\r", u"\r"));
  EXPECT_THAT(ListedEntries(list, u"b.zip"), ElementsAre(u"b.zip\r", u"b.zip\r"));
  EXPECT_EQ(DownloadAddress(u"b.zip\r"), StoreDownloadBase() + u"b.zip\r");
}

TEST(StoreListTest, SearchInsideTheFragmentMatchesOnlyWhatRemains) {
  const std::u16string list = u"../public_html/appstore/public.zip\n../public_html/appstore/x\n";
  EXPECT_THAT(ListedEntries(list, u"public"), ElementsAre(u"public.zip"));
  EXPECT_THAT(ListedEntries(list, u"../"), IsEmpty());
}

TEST(StoreListTest, ProcessesEveryPieceOfALongList) {
  constexpr int kLines = 40000;
  std::u16string list;
  for (int i = 0; i < kLines; ++i) {
    list += u"../public_html/appstore/p";
    for (char c : std::to_string(i)) list += static_cast<char16_t>(c);
    list += u".zip\n";
  }
  struct Check final : EntrySink {
    int next = 0;
    bool ordered = true;
    void Entry(std::u16string_view e) override {
      std::u16string want = u"p";
      for (char c : std::to_string(next)) want += static_cast<char16_t>(c);
      want += u".zip";
      ordered = ordered && e == want;
      ++next;
    }
  } check;
  EXPECT_EQ(FilterStoreList(list, u"", check), kLines + 1u);
  EXPECT_EQ(check.next, kLines);
  EXPECT_TRUE(check.ordered);
  EXPECT_EQ(ListedEntries(list, u"39999").size(), 1u);
}

TEST(StoreListTest, HandlesAMegabyteLineAndNulCharacters) {
  std::u16string big(1 << 20, u'x');
  big.replace(500000, kServerPathFragment.size(), kServerPathFragment);
  const auto entries = ListedEntries(big, u"xx");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].size(), big.size() - kServerPathFragment.size());

  const std::u16string nul = std::u16string(u"a\0b\n\0\n", 6) + std::u16string(1, u'\0');
  EXPECT_THAT(ListedEntries(nul, u""),
              ElementsAre(std::u16string(u"a\0b", 3), std::u16string(1, u'\0'),
                          std::u16string(1, u'\0')));
  EXPECT_EQ(ListedEntries(nul, std::u16string(1, u'\0')).size(), 3u);
  EXPECT_THAT(ListedEntries(nul, u"b"), ElementsAre(std::u16string(u"a\0b", 3)));
}

TEST(StoreListTest, AddressesNameTheStoreServer) {
  const std::u16string server(kStoreServer);
  EXPECT_EQ(StoreListAddress(), server + u"/appstore/uploaded_files.txt");
  EXPECT_EQ(StoreDownloadBase(), server + u"/appstore/");
  EXPECT_EQ(DownloadAddress(u""), server + u"/appstore/");
  EXPECT_EQ(DownloadAddress(u"a b%20c?.zip"), server + u"/appstore/a b%20c?.zip");
}

}  // namespace
}  // namespace brindle
