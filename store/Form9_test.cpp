// The store window against a real HTTP server on loopback: its layout, the
// list after each refresh, clicks, and how it ends up on every kind of bad
// answer the network can give.
#include "store/Form9.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Module1.h"
#include "product/product.h"
#include "forms/testing/ui.h"
#include "store/storelist.h"
#include "store/testing/loopback_server.h"

namespace {

using forms::testing::Click;
using forms::testing::ClickAt;
using forms::testing::ExpectControl;
using forms::testing::ExpectSizable;
using forms::testing::FontOf;
using forms::testing::MessageBoxes;
using forms::testing::TextOf;
using store::testing::LoopbackServer;
using store::testing::Reply;

constexpr wchar_t kInitialAddress[] = L"Address for downloading";

// The worked example: five lines, each ended by LF.
const std::string kExample =
    "../public_html/appstore/clock.zip\n"
    "../public_html/appstore/paint demo.zip\n"
    "\n"
    "readme.txt\n"
    "../public_html/appstore/\n";

Form9& Store() { return forms::Instance<Form9>(); }

std::wstring Base() { return forms::Wide(brindle::StoreDownloadBase()); }

std::vector<std::wstring> Items() {
  std::vector<std::wstring> items;
  for (int i = 0; i < Store().ListView1.Count(); ++i) items.push_back(Store().ListView1.ItemText(i));
  return items;
}

using Texts = std::vector<std::wstring>;

void ClickItem(int index) {
  HWND list = Store().ListView1.hwnd();
  RECT r = {};
  r.left = LVIR_LABEL;
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(&r)));
  ClickAt(list, {r.left + 4, (r.top + r.bottom) / 2});
}

// A click on the list's empty space, below every item.
void ClickBelowItems() {
  HWND list = Store().ListView1.hwnd();
  RECT client;
  GetClientRect(list, &client);
  ClickAt(list, {8, client.bottom - 8});
}

void Search(const wchar_t* text) {
  Store().Text2.SetText(text);
  Click(Store().Command1.hwnd());
}

std::string FileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class StoreWindow : public forms::testing::WindowTest {
 protected:
  static void SetUpTestSuite() { InitializeCommonControls(); }
  void SetUp() override { ASSERT_NE(store::testing::StorePort(), 0); }
  // Starts the loopback store with `body` as its list.
  void Serve(Reply reply) {
    if (!server) server = std::make_unique<LoopbackServer>(store::testing::StorePort());
    ASSERT_TRUE(server->listening());
    server->Serve(std::move(reply));
  }
  void Serve(std::string body) { Serve(Reply{.body = std::move(body)}); }
  void Open() { Store().Show(); }

  std::unique_ptr<LoopbackServer> server;
};

// ------------------------------------------------------------- layout

struct ToolTipSearch {
  HWND tool;
  std::wstring text;
};

BOOL CALLBACK FindToolTip(HWND tip, LPARAM lp) {
  auto& f = *reinterpret_cast<ToolTipSearch*>(lp);
  if (forms::testing::ClassOf(tip) != TOOLTIPS_CLASSW) return TRUE;
  const int n = static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t text[80] = {};
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.lpszText = text;
    if (SendMessageW(tip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&ti)) &&
        ti.uId == reinterpret_cast<UINT_PTR>(f.tool))
      f.text = text;
  }
  return TRUE;
}

TEST_F(StoreWindow, MatchesItsLayoutWithFocusOnTheAddressBox) {
  Serve(kExample);
  Open();
  Form9& f = Store();
  HWND w = f.hwnd();
  EXPECT_EQ(TextOf(w), L"BRINDLE ORLEX Program Store");
  forms::testing::ExpectClientSize(f, 8835, 6765);
  ExpectSizable(w);

  ExpectControl(f.Text1, L"Edit", kInitialAddress, w, 120, 6240, 8655, 375);
  ExpectControl(f.Text2, L"Edit", L"", w, 1680, 120, 6135, 375);
  ExpectControl(f.Command1, L"Button", L"q", w, 7800, 120, 975, 375);
  ExpectControl(f.Label1, L"Static", L"ORLEX", w, 0, 120, 1695, 375);
  ExpectControl(f.ListView1, L"SysListView32", L"", w, 120, 1080, 8655, 5055);
  ExpectControl(f.Label2, L"Static", L"Program Store", w, 0, 600, 1695, 375);
  ExpectControl(f.Command2, L"Button", L"Program of the week", w, 3960, 480, 1815, 495);
  EXPECT_EQ(GetWindowLongW(f.Label1.hwnd(), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
  EXPECT_EQ(GetWindowLongW(f.Label2.hwnd(), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);

  LOGFONTW title = FontOf(f.Label1.hwnd());
  EXPECT_STREQ(title.lfFaceName, L"MS Sans Serif");
  EXPECT_EQ(title.lfWeight, FW_BOLD);
  EXPECT_EQ(title.lfHeight, -MulDiv(18, forms::testing::Dpi(), 72));
  LOGFONTW plain = FontOf(f.Label2.hwnd());
  EXPECT_EQ(plain.lfWeight, FW_NORMAL);

  EXPECT_EQ(GetFocus(), f.Text1.hwnd());
  const std::vector<HWND> cycle = forms::testing::TabCycle();
  EXPECT_EQ(cycle, (std::vector<HWND>{f.Text1.hwnd(), f.Text2.hwnd(), f.Command1.hwnd(),
                                      f.ListView1.hwnd(), f.Command2.hwnd()}));
}

TEST_F(StoreWindow, SearchBoxHasTheToolTipSearch) {
  Serve(kExample);
  Open();
  ToolTipSearch found{Store().Text2.hwnd(), {}};
  EnumThreadWindows(GetCurrentThreadId(), &FindToolTip, reinterpret_cast<LPARAM>(&found));
  EXPECT_EQ(found.text, L"Search");
}

TEST_F(StoreWindow, EnterAndEscapeTriggerNothing) {
  Serve(kExample);
  Open();
  MessageBoxes boxes;
  Store().Text2.SetFocus();
  forms::testing::PressKey(VK_RETURN);
  forms::testing::PressKey(VK_ESCAPE);
  EXPECT_EQ(server->requests(), 1);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_TRUE(Store().Visible());
}

// ------------------------------------------------------------- refresh

TEST_F(StoreWindow, LoadFillsTheListBeforeTheWindowShows) {
  bool visibleAtRequest = true;
  Serve(Reply{.body = kExample,
              .onRequest = [&] { visibleAtRequest = IsWindowVisible(Store().hwnd()) != FALSE; }});
  Open();
  EXPECT_EQ(server->requests(), 1);
  EXPECT_EQ(server->lastPath(), "/appstore/uploaded_files.txt");
  EXPECT_FALSE(visibleAtRequest);
  EXPECT_EQ(Items(), (Texts{L"clock.zip", L"paint demo.zip", L"readme.txt"}));
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), kInitialAddress);
}

TEST_F(StoreWindow, EverySearchDownloadsAgainAndFiltersCaseSensitively) {
  Serve(kExample);
  Open();
  Search(L"zip");
  EXPECT_EQ(Items(), (Texts{L"clock.zip", L"paint demo.zip"}));
  Search(L"Zip");
  EXPECT_EQ(Items(), Texts{});
  Search(L"public");  // in the removed fragment only
  EXPECT_EQ(Items(), Texts{});
  Search(L"demo.zip");
  EXPECT_EQ(Items(), Texts{L"paint demo.zip"});
  Search(L"");
  EXPECT_EQ(Items(), (Texts{L"clock.zip", L"paint demo.zip", L"readme.txt"}));
  EXPECT_EQ(server->requests(), 6);

  // The list changed on the server: a search shows the new one, not a
  // filter of what was shown.
  Serve("../public_html/appstore/new.zip\n");
  Search(L"");
  EXPECT_EQ(Items(), Texts{L"new.zip"});
}

TEST_F(StoreWindow, SearchMatchesWhatIsLeftAfterTheFragmentGoes) {
  Serve("../public_html/appstore/apptool.zip\n"
        "../public_html/appstore/../public_html/appstore/twice.zip\n"
        "../public_html/appstore/other.zip\n");
  Open();
  EXPECT_EQ(Items(), (Texts{L"apptool.zip", L"twice.zip", L"other.zip"}));
  Search(L"app");
  EXPECT_EQ(Items(), Texts{L"apptool.zip"});
  Search(L"appstore/");
  EXPECT_EQ(Items(), Texts{});
}

TEST_F(StoreWindow, DownloadedListStandsInTheLocalFile) {
  // "C:\Documents and Settings" is a link in Wine, so the file lives under
  // the user's local application data.
  wchar_t local[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
  const std::wstring expected = std::wstring(local) + L"\\BRINDLE\\appstore.txt";
  const DWORD classic = GetFileAttributesW(L"C:\\Documents and Settings");
  if (classic != INVALID_FILE_ATTRIBUTES && (classic & FILE_ATTRIBUTE_DIRECTORY) &&
      !(classic & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "this system has the classic profiles folder";
  EXPECT_EQ(store::StoreListFile(), expected);

  // The folder is made again when it has gone.
  DeleteFileW(expected.c_str());
  RemoveDirectoryW((std::wstring(local) + L"\\BRINDLE").c_str());
  Serve(kExample);
  Open();
  EXPECT_EQ(FileBytes(expected), kExample);
  EXPECT_EQ(store::StoreListFile(), expected);
}

// ------------------------------------------------------------- clicks

TEST_F(StoreWindow, ClickWritesTheItemsDownloadAddress) {
  Serve(kExample);
  Open();
  ClickItem(0);
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), Base() + L"clock.zip");
  ClickItem(1);  // replaces, never appends
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), Base() + L"paint demo.zip");
  EXPECT_EQ(Base(), std::wstring(forms::Wide(brindle::kStoreServer)) + L"/appstore/");

  // A hand-edited address is simply replaced by the next click.
  Store().Text1.SetText(L"typed by hand");
  ClickItem(2);
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), Base() + L"readme.txt");
  EXPECT_EQ(Items().size(), 3u);
  EXPECT_EQ(server->requests(), 1);
}

TEST_F(StoreWindow, ClickOnNothingChangesNothing) {
  Serve(kExample);
  Open();
  ClickBelowItems();
  EXPECT_EQ(Store().ListView1.SelectedIndex(), -1);
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), kInitialAddress);

  ClickItem(0);
  Store().Text1.SetText(L"edited");
  ClickBelowItems();  // clears the selection: no item, no address
  EXPECT_EQ(Store().ListView1.SelectedIndex(), -1);
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), L"edited");
}

TEST_F(StoreWindow, CloseAndReopenResetsTheControlsAndDownloadsAgain) {
  Serve(kExample);
  Open();
  Store().Text2.SetText(L"clock");
  ClickItem(1);
  Search(L"clock");
  EXPECT_EQ(Items(), Texts{L"clock.zip"});
  PostMessageW(Store().hwnd(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(forms::testing::WaitFor([] { return !Store().IsLoaded(); }));
  const int before = server->requests();

  Open();
  EXPECT_EQ(server->requests(), before + 1);
  EXPECT_EQ(TextOf(Store().Text2.hwnd()), L"");
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), kInitialAddress);
  EXPECT_EQ(Items(), (Texts{L"clock.zip", L"paint demo.zip", L"readme.txt"}));
  EXPECT_EQ(GetFocus(), Store().Text1.hwnd());
}

TEST_F(StoreWindow, ProgramOfTheWeekShowsNoneEveryTime) {
  Serve(kExample);
  Open();
  MessageBoxes boxes;
  Click(Store().Command2.hwnd());
  Click(Store().Command2.hwnd());
  ASSERT_EQ(boxes.shown().size(), 2u);
  for (const MessageBoxes::Box& box : boxes.shown()) {
    EXPECT_EQ(box.title, L"BRINDLE Plus!");
    EXPECT_EQ(box.text, L"none");
    EXPECT_EQ(box.buttons, 1);
    EXPECT_FALSE(box.icon);
  }
  EXPECT_EQ(Items().size(), 3u);
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), kInitialAddress);
}

// ------------------------------------------------------------- bad answers

// Each failure: an empty list, the address box as it was, no message.
class FailedRefresh : public StoreWindow {
 protected:
  void ExpectQuietEmptyList(const MessageBoxes& boxes) {
    EXPECT_EQ(Store().ListView1.Count(), 0);
    EXPECT_EQ(TextOf(Store().Text1.hwnd()), kInitialAddress);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(Store().Visible());
  }
};

TEST_F(FailedRefresh, ConnectionRefused) {
  MessageBoxes boxes;
  Open();  // no server listens
  ExpectQuietEmptyList(boxes);
  ClickBelowItems();  // nothing to click
  ExpectQuietEmptyList(boxes);
}

TEST_F(FailedRefresh, NotFoundAndServerError) {
  MessageBoxes boxes;
  Serve(Reply{.status = 404, .body = "clock.zip\nnot found\n"});
  Open();
  ExpectQuietEmptyList(boxes);
  Serve(Reply{.status = 500, .body = "clock.zip\nbroken\n"});
  Search(L"");
  ExpectQuietEmptyList(boxes);
  EXPECT_EQ(server->requests(), 2);
}

TEST_F(FailedRefresh, ResponseCutShort) {
  MessageBoxes boxes;
  Serve(Reply{.body = "../public_html/appstore/clock.zip\n", .announcedLength = 4000});
  Open();
  ExpectQuietEmptyList(boxes);
}

// A store server may answer the list's address with a redirect to where
// the file really is: each kind of redirect gives the full list.
TEST_F(StoreWindow, RedirectsToTheRealListAreFollowed) {
  MessageBoxes boxes;
  for (int status : {301, 302, 307}) {
    SCOPED_TRACE(status);
    const std::string real = "/real/" + std::to_string(status) + ".txt";
    Serve(Reply{.status = 404, .body = "nothing here\n"});
    server->Serve("/appstore/uploaded_files.txt",
                  Reply{.status = status, .body = "moved\n", .location = real});
    server->Serve(real, Reply{.body = kExample});
    Store().Unload();
    Open();  // loading downloads the list
    EXPECT_EQ(Items(), (Texts{L"clock.zip", L"paint demo.zip", L"readme.txt"}));
    EXPECT_EQ(server->lastPath(), real);
    server.reset();
  }
  EXPECT_TRUE(boxes.shown().empty());
}

// A redirect to a missing file is a failed download, however the server
// words its error page: the page is no list.
TEST_F(FailedRefresh, RedirectToAMissingFile) {
  MessageBoxes boxes;
  for (int status : {301, 302, 307}) {
    SCOPED_TRACE(status);
    Serve(Reply{.status = 404, .body = "not found\n"});
    server->Serve("/appstore/uploaded_files.txt",
                  Reply{.status = status, .body = "moved\n", .location = "/gone.txt"});
    Store().Unload();
    Open();
    EXPECT_EQ(server->lastPath(), "/gone.txt");
    ExpectQuietEmptyList(boxes);
    server.reset();
  }
}

TEST_F(FailedRefresh, AfterASuccessfulOneTheOldFileStaysButIsNotShown) {
  MessageBoxes boxes;
  Serve(kExample);
  Open();
  ASSERT_EQ(Items().size(), 3u);
  ClickItem(0);
  const std::wstring address = TextOf(Store().Text1.hwnd());

  Serve(Reply{.status = 500, .body = "oops"});
  Search(L"");
  EXPECT_EQ(Store().ListView1.Count(), 0);
  EXPECT_EQ(FileBytes(store::StoreListFile()), kExample);

  server.reset();  // now refused outright
  Search(L"");
  EXPECT_EQ(Store().ListView1.Count(), 0);
  EXPECT_EQ(FileBytes(store::StoreListFile()), kExample);
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), address);  // kept
  EXPECT_TRUE(boxes.shown().empty());
}

// ------------------------------------------------------------- odd lists

TEST_F(StoreWindow, EmptyListGivesAnEmptyWindow) {
  MessageBoxes boxes;
  Serve("");
  Open();
  EXPECT_EQ(Store().ListView1.Count(), 0);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(FileBytes(store::StoreListFile()), "");
}

TEST_F(StoreWindow, CarriageReturnsStayInEntriesAndAddresses) {
  Serve("../public_html/appstore/clock.zip\r\nreadme.txt\r\n");
  Open();
  EXPECT_EQ(Items(), (Texts{L"clock.zip\r", L"readme.txt\r"}));
  ClickItem(1);
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), Base() + L"readme.txt\r");
}

TEST_F(StoreWindow, SlowAnswerStillCompletes) {
  Serve(Reply{.body = kExample, .delayMs = 1500});
  Open();
  EXPECT_EQ(Items(), (Texts{L"clock.zip", L"paint demo.zip", L"readme.txt"}));
}

TEST_F(StoreWindow, BytesThatAreNotTextAreListedWhole) {
  static const char kBytes[] =
      "\x01\x02" "abc\0def\n" "\x7f\x80\xff\n" "\0\n" "../public_html/appstore/ok.zip\n";
  Serve(std::string(kBytes, sizeof kBytes - 1));
  Open();
  const Texts items = Items();
  ASSERT_EQ(items.size(), 4u);
  // A NUL cannot stand in a list item: it shows as the replacement mark
  // rather than cutting the entry (or hiding a NUL-only entry).
  EXPECT_EQ(items[0], L"\x01\x02" L"abc\xFFFD" L"def");
  EXPECT_EQ(items[1].size(), 3u);
  EXPECT_EQ(items[2], L"\xFFFD");
  EXPECT_EQ(items[3], L"ok.zip");
  Search(L"def");
  EXPECT_EQ(Items().size(), 1u);
}

TEST_F(StoreWindow, OneMegabyteLineIsOneWholeItem) {
  std::string line(1 << 20, 'x');
  for (size_t i = 0; i < line.size(); i += 97) line[i] = static_cast<char>('a' + i % 26);
  Serve("../public_html/appstore/" + line);
  Open();
  ASSERT_EQ(Store().ListView1.Count(), 1);
  const std::wstring item = Store().ListView1.ItemText(0);
  EXPECT_EQ(item, std::wstring(line.begin(), line.end()));
  ClickItem(0);
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), Base() + item);
}

TEST_F(StoreWindow, FortyThousandLinesAreAllListed) {
  std::string list;
  for (int i = 0; i < 40000; ++i) list += "../public_html/appstore/file" + std::to_string(i) + ".zip\n";
  Serve(list);
  Open();
  ASSERT_EQ(Store().ListView1.Count(), 40000);
  EXPECT_EQ(Store().ListView1.ItemText(0), L"file0.zip");
  EXPECT_EQ(Store().ListView1.ItemText(32767), L"file32767.zip");
  EXPECT_EQ(Store().ListView1.ItemText(39999), L"file39999.zip");
  Search(L"file3999");
  EXPECT_EQ(Items(), (Texts{L"file3999.zip", L"file39990.zip", L"file39991.zip",
                            L"file39992.zip", L"file39993.zip", L"file39994.zip",
                            L"file39995.zip", L"file39996.zip", L"file39997.zip",
                            L"file39998.zip", L"file39999.zip"}));
}

// ------------------------------------------------------------- the file

class ListFile : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder = std::wstring(temp) + L"brindle-store-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    path = folder + L"\\list.txt";
  }
  void TearDown() override {
    DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());
  }
  void Write(const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary) << bytes;
  }
  std::wstring folder, path;
};

TEST_F(ListFile, IsReadWholePastNuls) {
  Write(std::string("a\0b\nc\0", 6));
  std::u16string text = u"stale";
  ASSERT_TRUE(store::ReadStoreListFile(path, text));
  EXPECT_EQ(text, std::u16string(u"a\0b\nc\0", 6));
  Write("");
  ASSERT_TRUE(store::ReadStoreListFile(path, text));
  EXPECT_EQ(text, u"");
}

TEST_F(ListFile, UnreadableFileIsRefused) {
  std::u16string text = u"stale";
  EXPECT_FALSE(store::ReadStoreListFile(folder + L"\\missing.txt", text));
  EXPECT_EQ(text, u"");
  text = u"stale";
  EXPECT_FALSE(store::ReadStoreListFile(folder, text));  // a folder
  EXPECT_EQ(text, u"");
}

// ------------------------------------------------------------- real web server

// Run by the Form9_web_server test, which starts Python's http.server on the
// store's port, serving a folder published with publish_store.py.
TEST(WebServer, ListsThePublishedFolder) {
  if (!std::getenv("BRINDLE_WEB_SERVER"))
    GTEST_SKIP() << "run by Form9_web_server, around an ordinary web server";
  Store().Show();
  EXPECT_EQ(Items(), (Texts{L"clock.zip", L"paint demo.zip", L"readme.txt"}));
  ClickItem(1);
  EXPECT_EQ(TextOf(Store().Text1.hwnd()), Base() + L"paint demo.zip");
  Search(L"zip");
  EXPECT_EQ(Items(), (Texts{L"clock.zip", L"paint demo.zip"}));
  Store().Unload();
}

}  // namespace
