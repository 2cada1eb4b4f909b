// The store's refresh against servers that are slow, silent or endless:
// the program keeps answering, the refresh ends within its bounds, nothing
// of it stays on disk or in the URL cache, the last good list is kept, and
// a sound answer to the next search lists everything.
#include <gtest/gtest.h>
#include <wininet.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "app/Module1.h"
#include "app/frmAddIn.h"
#include "forms/testing/ui.h"
#include "product/product.h"
#include "snippets/Form1.h"
#include "store/Form9.h"
#include "store/download.h"
#include "store/storelist.h"
#include "store/testing/loopback_server.h"
#include "store/testing/misbehaving_server.h"

namespace {

using forms::testing::Click;
using forms::testing::MessageBoxes;
using forms::testing::WaitFor;
using store::testing::LoopbackServer;
using store::testing::Misbehaviour;
using store::testing::MisbehavingServer;
using store::testing::Reply;
using store::testing::StorePort;

Form9& Store() { return forms::Instance<Form9>(); }
frmAddIn& Hub() { return forms::Instance<frmAddIn>(); }

const std::string kGoodList = "../public_html/appstore/kept.zip\n";
const std::string kList =
    "../public_html/appstore/clock.zip\n../public_html/appstore/paint demo.zip\nreadme.txt\n";
constexpr int kListed = 3;

std::string FileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The download's own files beside the list file, and their total size.
int PartFiles(unsigned long long* bytes = nullptr) {
  if (bytes) *bytes = 0;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((store::StoreListFile() + L".*.part").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do {
    ++n;
    if (bytes)
      *bytes += (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return n;
}

bool InUrlCache(const std::string& url) {
  DWORD size = 0;
  return GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size) ||
         GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

std::string ListUrl() { return forms::Ansi(forms::Wide(brindle::StoreListAddress())); }

// Another thread that asks the hub for its caption's length every 100 ms,
// as another program or a host would, and watches the download's files.
class HubProbe {
 public:
  explicit HubProbe(HWND hub) : hub_(hub) {
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &HubProbe::Main, this, 0, nullptr);
  }
  ~HubProbe() { Stop(); }
  void Stop() {
    if (!thread_) return;
    SetEvent(stop_);
    // Its last question may be waiting for this very thread to answer.
    WaitFor([this] { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }, 5000);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
    thread_ = nullptr;
  }
  int answers = 0;
  int unanswered = 0;
  DWORD slowestMs = 0;
  unsigned long long largestParts = 0;

 private:
  static DWORD WINAPI Main(void* self) {
    auto& p = *static_cast<HubProbe*>(self);
    do {
      const DWORD start = GetTickCount();
      DWORD_PTR length = 0;
      if (SendMessageTimeoutW(p.hub_, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 1000, &length) &&
          length > 0) {
        ++p.answers;
        p.slowestMs = std::max(p.slowestMs, GetTickCount() - start);
      } else {
        ++p.unanswered;
      }
      unsigned long long bytes = 0;
      PartFiles(&bytes);
      p.largestParts = std::max(p.largestParts, bytes);
    } while (WaitForSingleObject(p.stop_, 100) == WAIT_TIMEOUT);
    return 0;
  }
  HWND hub_;
  HANDLE stop_ = nullptr;
  HANDLE thread_ = nullptr;
};

// Test figures: seconds rather than a minute, and a cap of 1 MB. The wait
// for data leaves a busy machine room to do the quick cases well within it.
constexpr store::DownloadLimits kTestLimits = {.stallMs = 2500, .totalMs = 6000,
                                               .maxBytes = 1 << 20};
constexpr DWORD kSlackMs = 1000;

class HostileServer : public forms::testing::WindowTest {
 protected:
  static void SetUpTestSuite() { InitializeCommonControls(); }
  void SetUp() override {
    ASSERT_NE(StorePort(), 0);
    store::SetDownloadLimits(kTestLimits);
    Hub().Show();
    // The last good list, which no failed refresh may touch.
    const std::wstring& file = store::StoreListFile();
    CreateDirectoryW(file.substr(0, file.rfind(L'\\')).c_str(), nullptr);
    std::ofstream(file.c_str(), std::ios::binary) << kGoodList;
  }
  void TearDown() override {
    WindowTest::TearDown();
    store::SetDownloadLimits({});
    // No worker may outlive its test's server.
    EXPECT_TRUE(WaitFor([] { return store::DownloadsRunning() == 0; }, 30000));
  }
  void Search(const wchar_t* text) {
    Store().Text2.SetText(text);
    Click(Store().Command1.hwnd());
  }
  // Opens the store (its first opening: back once the refresh has ended)
  // with the probe at work; the time it took.
  DWORD OpenProbed(HubProbe& probe) {
    const DWORD start = GetTickCount();
    Store().Show();
    const DWORD took = GetTickCount() - start;
    probe.Stop();
    return took;
  }
  void ExpectNothingLeft() {
    EXPECT_EQ(FileBytes(store::StoreListFile()), kGoodList);
    EXPECT_FALSE(InUrlCache(ListUrl()));
    // The worker ends on its own too, taking its file with it.
    EXPECT_TRUE(WaitFor([] { return store::DownloadsRunning() == 0; },
                        static_cast<int>(kTestLimits.stallMs + 5000)));
    EXPECT_EQ(PartFiles(), 0);
    EXPECT_EQ(FileBytes(store::StoreListFile()), kGoodList);
  }
};

TEST(DownloadLimits, AreTenSecondsWithoutDataAMinuteInAllAndTheReadersCap) {
  const store::DownloadLimits limits;
  EXPECT_EQ(limits.stallMs, 10000u);
  EXPECT_EQ(limits.totalMs, 60000u);
  EXPECT_EQ(limits.maxBytes, 256ull << 20);
  EXPECT_EQ(store::CurrentDownloadLimits().totalMs, 60000u);  // unless a test sets others
}

// The check below must be able to see an entry at all.
TEST(UrlCacheCheck, SeesAnEntry) {
  const std::string url = "http://127.0.0.1:1/brindle-cache-probe.txt";
  char path[MAX_PATH] = {};
  ASSERT_TRUE(CreateUrlCacheEntryA(url.c_str(), 4, "txt", path, 0));
  std::ofstream(path, std::ios::binary) << "data";
  FILETIME none = {};
  ASSERT_TRUE(CommitUrlCacheEntryA(url.c_str(), path, none, none, NORMAL_CACHE_ENTRY, nullptr, 0,
                                   nullptr, nullptr));
  EXPECT_TRUE(InUrlCache(url));
  DeleteUrlCacheEntryA(url.c_str());
  EXPECT_FALSE(InUrlCache(url));
}

struct Case {
  Misbehaviour how;
  const char* name;
  // What ends the refresh: the wait for data, the whole time, or the
  // answer itself (refused or failed at once, or the size cap).
  enum { Stall, Total, Early } endedBy;
};

class EachServer : public HostileServer, public ::testing::WithParamInterface<Case> {};

TEST_P(EachServer, ProgramAnswersRefreshEndsInItsBoundAndNothingStays) {
  MessageBoxes boxes;
  MisbehavingServer server(StorePort());
  ASSERT_TRUE(server.listening());
  server.Behave(GetParam().how);
  HubProbe probe(Hub().hwnd());
  const DWORD took = OpenProbed(probe);

  switch (GetParam().endedBy) {
    case Case::Stall: EXPECT_LE(took, kTestLimits.stallMs + kSlackMs); break;
    case Case::Total: EXPECT_LE(took, kTestLimits.totalMs + kSlackMs); break;
    case Case::Early: EXPECT_LT(took, kTestLimits.stallMs); break;
  }
  EXPECT_EQ(server.requests(), 1);
  // The hub answered at once all along, at several moments of a long wait.
  EXPECT_EQ(probe.unanswered, 0);
  EXPECT_LT(probe.slowestMs, 1000u);
  if (took >= 1000) {
    EXPECT_GE(probe.answers, static_cast<int>(took / 300));
  }
  // The download never held more than the cap on disk (give or take a read).
  EXPECT_LE(probe.largestParts, kTestLimits.maxBytes + (64 << 10));
  if (GetParam().how == Misbehaviour::EndlessBody) {
    EXPECT_GE(server.bodyBytesSent(), static_cast<long long>(kTestLimits.maxBytes));
  }

  EXPECT_TRUE(Store().Visible());
  EXPECT_EQ(Store().ListView1.Count(), 0);
  EXPECT_TRUE(boxes.shown().empty());
  ExpectNothingLeft();
  EXPECT_TRUE(Hub().IsLoaded());

  server.Behave(Misbehaviour::Sound, kList);
  Search(L"");
  EXPECT_EQ(Store().ListView1.Count(), kListed);
  EXPECT_EQ(FileBytes(store::StoreListFile()), kList);
}

INSTANTIATE_TEST_SUITE_P(
    Refresh, EachServer,
    ::testing::Values(Case{Misbehaviour::Silent, "Silent", Case::Stall},
                      Case{Misbehaviour::HeadersThenStop, "HeadersThenStop", Case::Stall},
                      Case{Misbehaviour::ByteASecond, "ByteASecond", Case::Total},
                      Case{Misbehaviour::EndlessBody, "EndlessBody", Case::Early},
                      Case{Misbehaviour::HugeLength, "HugeLength", Case::Early},
                      Case{Misbehaviour::CloseAtOnce, "CloseAtOnce", Case::Early}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST_F(HostileServer, ClosingTheWindowEndsAStalledRefreshQuietly) {
  MessageBoxes boxes;
  MisbehavingServer server(StorePort());
  ASSERT_TRUE(server.listening());
  server.Behave(Misbehaviour::Silent);
  // Closed as soon as the request has arrived, while the refresh waits.
  server.OnRequest([] { PostMessageW(Store().hwnd(), WM_CLOSE, 0, 0); });
  HubProbe probe(Hub().hwnd());
  const DWORD start = GetTickCount();
  Store().Show();
  const DWORD took = GetTickCount() - start;
  probe.Stop();
  EXPECT_LT(took, kTestLimits.stallMs);  // ended by the close, not by the clock
  EXPECT_FALSE(Store().IsLoaded());      // nothing made it again
  EXPECT_EQ(probe.unanswered, 0);
  EXPECT_TRUE(boxes.shown().empty());
  ExpectNothingLeft();
  EXPECT_EQ(server.requests(), 1);

  // Opening it again starts a fresh refresh.
  server.OnRequest(nullptr);
  server.Behave(Misbehaviour::Sound, kList);
  Store().Show();
  EXPECT_EQ(server.requests(), 2);
  EXPECT_EQ(Store().ListView1.Count(), kListed);
}

TEST_F(HostileServer, ClosingTheWindowDuringASearchLeavesItClosed) {
  MisbehavingServer server(StorePort());
  ASSERT_TRUE(server.listening());
  server.Behave(Misbehaviour::Sound, kList);
  Store().Show();
  ASSERT_EQ(Store().ListView1.Count(), kListed);
  server.Behave(Misbehaviour::HeadersThenStop);
  server.OnRequest([] { PostMessageW(Store().hwnd(), WM_CLOSE, 0, 0); });
  Search(L"clock");
  EXPECT_FALSE(Store().IsLoaded());
  EXPECT_TRUE(WaitFor([] { return store::DownloadsRunning() == 0; },
                      static_cast<int>(kTestLimits.stallMs + 5000)));
  EXPECT_EQ(PartFiles(), 0);
  EXPECT_EQ(FileBytes(store::StoreListFile()), kList);  // the last good one
}

TEST_F(HostileServer, ASecondSearchDuringARefreshStartsNothingAndTheHubWorks) {
  MessageBoxes boxes;
  MisbehavingServer server(StorePort());
  ASSERT_TRUE(server.listening());
  server.Behave(Misbehaviour::Silent);
  // While the first refresh waits: a click on the search button, and one
  // on the hub's "Archived Snippets".
  server.OnRequest([] {
    for (HWND button : {Store().Command1.hwnd(), Hub().Command2.hwnd()}) {
      PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
      PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    }
  });
  const DWORD start = GetTickCount();
  Store().Show();
  const DWORD took = GetTickCount() - start;
  EXPECT_LE(took, kTestLimits.stallMs + kSlackMs);  // one wait, not two
  forms::testing::Pump();
  EXPECT_EQ(server.requests(), 1);
  EXPECT_TRUE(forms::Instance<Form1>().IsLoaded());
  EXPECT_EQ(Store().ListView1.Count(), 0);
  ExpectNothingLeft();

  server.OnRequest(nullptr);
  server.Behave(Misbehaviour::Sound, kList);
  Search(L"");
  EXPECT_EQ(server.requests(), 2);
  EXPECT_EQ(Store().ListView1.Count(), kListed);
}

// Given up on for its silence, a download whose answer comes afterwards
// must not overwrite the list, nor leave its file.
TEST_F(HostileServer, AnAnswerAfterTheRefreshGaveUpChangesNothing) {
  LoopbackServer server(StorePort());
  ASSERT_TRUE(server.listening());
  server.Serve(Reply{.body = kList, .delayMs = static_cast<int>(kTestLimits.stallMs + 700)});
  Store().Show();
  EXPECT_EQ(Store().ListView1.Count(), 0);
  EXPECT_TRUE(WaitFor([] { return store::DownloadsRunning() == 0; }, 10000));
  EXPECT_EQ(PartFiles(), 0);
  EXPECT_EQ(FileBytes(store::StoreListFile()), kGoodList);
}

// DownloadFile on its own, with the window unloaded: the query goes to the
// server, the fragment does not, and the file is replaced.
TEST_F(HostileServer, DownloadFileSendsTheQuery) {
  LoopbackServer server(StorePort());
  ASSERT_TRUE(server.listening());
  server.Serve(Reply{.body = kList});
  const std::wstring file = store::StoreListFile() + L".query";
  std::ofstream(file.c_str(), std::ios::binary) << "old";
  const std::wstring url = forms::Wide(brindle::kStoreServer) + L"/appstore/list.txt?v=2#top";
  EXPECT_TRUE(Store().DownloadFile(url, file));
  EXPECT_EQ(server.lastPath(), "/appstore/list.txt?v=2");
  EXPECT_EQ(FileBytes(file), kList);
  EXPECT_FALSE(Store().IsLoaded());
  DeleteFileW(file.c_str());
}

// Given up on when its window closed, a download whose whole answer comes
// afterwards (within the platform's wait) ends well, and still changes
// nothing.
TEST_F(HostileServer, AWholeAnswerAfterTheWindowClosedChangesNothing) {
  LoopbackServer server(StorePort());
  ASSERT_TRUE(server.listening());
  server.Serve(Reply{.body = kList, .delayMs = 500,
                     .onRequest = [] { PostMessageW(Store().hwnd(), WM_CLOSE, 0, 0); }});
  Store().Show();
  EXPECT_FALSE(Store().IsLoaded());
  EXPECT_TRUE(WaitFor([] { return store::DownloadsRunning() == 0; }, 10000));
  EXPECT_EQ(server.requests(), 1);
  EXPECT_EQ(PartFiles(), 0);
  EXPECT_EQ(FileBytes(store::StoreListFile()), kGoodList);
}

// With the real figures: a long list from a sound server arrives whole...
TEST_F(HostileServer, ALongListArrivesWholeWithTheRealLimits) {
  store::SetDownloadLimits({});
  std::string list;
  for (int i = 0; i < 32767; ++i) list += "../public_html/appstore/file" + std::to_string(i) + ".zip\n";
  MisbehavingServer server(StorePort());
  ASSERT_TRUE(server.listening());
  server.Behave(Misbehaviour::Sound, list);
  Store().Show();
  EXPECT_EQ(Store().ListView1.Count(), 32767);
  EXPECT_EQ(FileBytes(store::StoreListFile()), list);
}

// ...and an endless one stops at the reader's cap, holding little more than
// that on disk.
TEST_F(HostileServer, AnEndlessListStopsAtTheRealCap) {
  store::SetDownloadLimits({});
  MisbehavingServer server(StorePort());
  ASSERT_TRUE(server.listening());
  server.Behave(Misbehaviour::EndlessBody);
  HubProbe probe(Hub().hwnd());
  const DWORD took = OpenProbed(probe);
  EXPECT_LT(took, store::DownloadLimits{}.totalMs);  // the cap ended it, not the clock
  EXPECT_GE(server.bodyBytesSent(), static_cast<long long>(store::kMaxListBytes));
  EXPECT_LE(probe.largestParts, store::kMaxListBytes + (64 << 10));
  EXPECT_EQ(probe.unanswered, 0);
  EXPECT_EQ(Store().ListView1.Count(), 0);
  ExpectNothingLeft();
}

// The program ending while a download waits on a silent server (its last
// window closed during a refresh given up on): the download's file goes
// with it. Run in a process of its own, started by the test after it.
TEST(ProgramEnd, ChildEndsWhileADownloadWaits) {
  if (!std::getenv("BRINDLE_END_DURING_DOWNLOAD")) GTEST_SKIP() << "run by the test below";
  SetTimer(nullptr, 0, 20, nullptr);  // wakes the wait to ask again
  const std::wstring asked = store::StoreListFile() + L".asked";
  store::FetchToFile(ListUrl(), store::StoreListFile(), [&asked] {
    // Once the server has the request: ended as the last window's close does.
    if (GetFileAttributesW(asked.c_str()) != INVALID_FILE_ATTRIBUTES) std::exit(0);
    return false;
  });
  std::exit(3);  // the file never showed
}

TEST_F(HostileServer, AProgramEndingDuringADownloadLeavesNoFile) {
  MisbehavingServer server(StorePort());
  ASSERT_TRUE(server.listening());
  server.Behave(Misbehaviour::Silent);
  const std::wstring asked = store::StoreListFile() + L".asked";
  server.OnRequest([&asked] { std::ofstream(asked.c_str()) << "asked"; });
  wchar_t self[MAX_PATH] = {};
  ASSERT_TRUE(GetModuleFileNameW(nullptr, self, MAX_PATH));
  std::wstring command = L"\"" + std::wstring(self) +
                         L"\" --gtest_filter=ProgramEnd.ChildEndsWhileADownloadWaits";
  SetEnvironmentVariableW(L"BRINDLE_END_DURING_DOWNLOAD", L"1");
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                      nullptr, nullptr, &startup, &child);
  SetEnvironmentVariableW(L"BRINDLE_END_DURING_DOWNLOAD", nullptr);
  ASSERT_TRUE(started);
  ASSERT_EQ(WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  DeleteFileW(asked.c_str());
  EXPECT_EQ(code, 0u);  // it ended while the download waited
  EXPECT_EQ(server.requests(), 1);
  EXPECT_EQ(PartFiles(), 0);
  EXPECT_EQ(FileBytes(store::StoreListFile()), kGoodList);
}

}  // namespace
