// The hub window and the converter window, driven through real messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/Module1.h"
#include "app/frmAddIn.h"
#include "converter/window/Form10.h"
#include "dialogs/Form3.h"
#include "forms/testing/ui.h"
#include "showcase/Form8.h"
#include "snippets/Form1.h"

using namespace forms::testing;

namespace {

frmAddIn& hub() { return forms::Instance<frmAddIn>(); }

class HubTest : public WindowTest {};

TEST_F(HubTest, LayoutFocusAndTabOrder) {
  hub().Show();
  EXPECT_EQ(TextOf(hub().hwnd()), L"BRINDLE Plus - Windows XP Fenwick! - VB7");
  ExpectClientSize(hub(), 4950, 7320);
  const HWND w = hub().hwnd();
  ExpectControl(hub().Command5, L"Button", L"MultiLine2VB", w, 120, 3120, 1815, 495);
  ExpectControl(hub().Command1, L"Button", L"BRINDLE Plus! ORLEX Project", w, 120, 120, 1695, 495);
  ExpectControl(hub().Command6, L"Button", L"Graphical Tricks", w, 120, 2520, 1215, 495);
  ExpectControl(hub().Command3, L"Button", L"Classic Dialogs", w, 120, 1920, 1215, 495);
  ExpectControl(hub().Command4, L"Button", L"Resource Hacker", w, 120, 1320, 1215, 495);
  ExpectControl(hub().Command2, L"Button", L"Archived Snippets", w, 120, 720, 1215, 495);
  const LONG style = GetWindowLongW(w, GWL_STYLE);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_NE(GetWindow(w, GW_OWNER), nullptr);  // no taskbar entry
  EXPECT_FALSE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  // Centred on the whole screen, not its work area.
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_LE(std::abs((r.left + r.right) - GetSystemMetrics(SM_CXSCREEN)), 1);
  EXPECT_LE(std::abs((r.top + r.bottom) - GetSystemMetrics(SM_CYSCREEN)), 1);
  EXPECT_EQ(GetFocus(), hub().Command2.hwnd());
  const std::vector<HWND> expected = {hub().Command2.hwnd(), hub().Command4.hwnd(),
                                      hub().Command3.hwnd(), hub().Command6.hwnd(),
                                      hub().Command1.hwnd(), hub().Command5.hwnd()};
  EXPECT_EQ(TabCycle(), expected);
}

TEST_F(HubTest, ButtonsOpenOneInstanceEachThatOutlivesTheHub) {
  hub().Show();
  Click(hub().Command3.hwnd());
  HWND launcher = forms::Instance<Form3>().hwnd();
  ASSERT_TRUE(forms::Instance<Form3>().Visible());
  Click(hub().Command3.hwnd());
  EXPECT_EQ(forms::Instance<Form3>().hwnd(), launcher);
  Click(hub().Command2.hwnd());
  EXPECT_TRUE(forms::Instance<Form1>().Visible());
  Click(hub().Command6.hwnd());
  EXPECT_TRUE(forms::Instance<Form8>().Visible());
  Click(hub().Command5.hwnd());
  ASSERT_TRUE(forms::Instance<Form10>().Visible());
  SendMessageW(hub().hwnd(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_FALSE(hub().IsLoaded());
  EXPECT_FALSE(QuitPosted());  // tool windows keep the program running
  EXPECT_TRUE(forms::Instance<Form10>().Visible());
  for (forms::Form* f : std::initializer_list<forms::Form*>{
           &forms::Instance<Form3>(), &forms::Instance<Form1>(), &forms::Instance<Form8>()}) {
    f->Unload();
    Pump();
    EXPECT_FALSE(QuitPosted());
  }
  forms::Instance<Form10>().Unload();
  Pump();
  EXPECT_TRUE(QuitPosted());  // the last window closed
}

TEST_F(HubTest, AResourceEditorThatCannotBeFoundIsReportedAndTheHubGoesOn) {
  hub().Show();
  MessageBoxes boxes;
  Click(hub().Command4.hwnd());
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].title, L"BRINDLE Plus!");
  EXPECT_EQ(boxes.shown()[0].text, L"The program \"ResourceHacker.exe\" could not be found.");
  Click(hub().Command3.hwnd());
  EXPECT_TRUE(forms::Instance<Form3>().Visible());
}

// Reads the stand-in editor's log: one line per start.
std::vector<std::string> StandinStarts(const std::wstring& log) {
  std::vector<std::string> lines;
  FILE* f = _wfopen(log.c_str(), L"r");
  if (!f) return lines;
  char line[128];
  while (std::fgets(line, sizeof line, f)) lines.emplace_back(line);
  std::fclose(f);
  return lines;
}

TEST_F(HubTest, ResourceHackerStartsMinimizedOncePerClickFromTheSearchPath) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring log = std::wstring(temp) + L"brindle-standin-" +
                           std::to_wstring(GetCurrentProcessId()) + L".log";
  DeleteFileW(log.c_str());
  SetEnvironmentVariableW(L"BRINDLE_STANDIN_LOG", log.c_str());
  wchar_t oldPath[32767];
  const DWORD n = GetEnvironmentVariableW(L"PATH", oldPath, 32767);
  std::string dir = STANDIN_DIR;
  for (char& c : dir) if (c == '/') c = '\\';
  std::wstring path = L"Z:" + std::wstring(dir.begin(), dir.end()) + L";" +
                      std::wstring(oldPath, n);
  SetEnvironmentVariableW(L"PATH", path.c_str());
  hub().Show();
  Click(hub().Command4.hwnd());
  Click(hub().Command4.hwnd());
  const bool started = WaitFor([&] { return StandinStarts(log).size() >= 2; }, 20000);
  SetEnvironmentVariableW(L"PATH", std::wstring(oldPath, n).c_str());
  ASSERT_TRUE(started);
  const std::vector<std::string> starts = StandinStarts(log);
  ASSERT_EQ(starts.size(), 2u);  // two clicks, two processes
  for (const std::string& line : starts)
    EXPECT_EQ(line, "flags=1 show=2\n");  // STARTF_USESHOWWINDOW, SW_SHOWMINIMIZED
  DeleteFileW(log.c_str());
}

TEST_F(HubTest, EveryNewHubObjectRegistersTheCommonControlsEvenWithoutTheEntryPoint) {
  const int before = CommonControlsCallsForTesting();
  frmAddIn first;
  first.Show();
  EXPECT_EQ(CommonControlsCallsForTesting(), before + 1);
  first.Unload();
  SetCommonControlsLibraryForTesting(L"no-such-library.dll");
  frmAddIn second;
  second.Show();
  EXPECT_TRUE(second.Visible());
  second.Unload();
  SetCommonControlsLibraryForTesting(L"comctl32.dll");
  frmAddIn third;
  third.Show();
  EXPECT_EQ(CommonControlsCallsForTesting(), before + 2);
  third.Unload();
  Pump();
}

}  // namespace
