// pictures OUTDIR: opens every window of the program in turn, as a user
// would reach it, and saves a picture of each (window frame included) as
// OUTDIR\NAME.bmp. Run by tools/pictures under Wine in a virtual desktop,
// with the store window's server answering on loopback.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/frmAddIn.h"
#include "converter/window/Form10.h"
#include "dialogs/Form3.h"
#include "dialogs/Form4.h"
#include "dialogs/Form5.h"
#include "dialogs/Form6.h"
#include "dialogs/Form7.h"
#include "forms/testing/ui.h"
#include "showcase/Form2.h"
#include "showcase/Form8.h"
#include "snippets/Form1.h"
#include "store/Form9.h"

using namespace forms::testing;

namespace {

std::wstring g_out;
int g_failures = 0;

bool SaveBitmap(const std::wstring& path, HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up, as BMP files keep rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<size_t>(stride) * height);
  if (!GetDIBits(dc, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                 DIB_RGB_COLORS))
    return false;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  const bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 &&
                  std::fwrite(&info, sizeof info, 1, f) == 1 &&
                  std::fwrite(pixels.data(), pixels.size(), 1, f) == 1;
  return std::fclose(f) == 0 && ok;
}

// Brings the window to the top left of the desktop, in front and active,
// lets it paint, and copies its rectangle from the screen.
void Snap(const forms::Form& form, const wchar_t* name) {
  const HWND hwnd = form.hwnd();
  if (!hwnd || !IsWindowVisible(hwnd)) {
    std::fwprintf(stderr, L"pictures: %ls is not shown\n", name);
    ++g_failures;
    return;
  }
  SetWindowPos(hwnd, HWND_TOP, 16, 16, 0, 0, SWP_NOSIZE);
  SetForegroundWindow(hwnd);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump();
  WaitFor([&] { return GetForegroundWindow() == hwnd; }, 2000);
  Pump();
  GdiFlush();
  RECT r;
  GetWindowRect(hwnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  const std::wstring path = g_out + L"\\" + name + L".bmp";
  if (!SaveBitmap(path, memory, bitmap, w, h)) {
    std::fwprintf(stderr, L"pictures: could not write %ls\n", path.c_str());
    ++g_failures;
  } else {
    std::wprintf(L"%ls %dx%d\n", name, w, h);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

// A click on a list view's item, where the user would click it.
void ClickItem(forms::ListView& list, int index) {
  RECT r{};
  r.left = LVIR_LABEL;
  SendMessageW(list.hwnd(), LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
  ClickAt(list.hwnd(), {r.left + 4, (r.top + r.bottom) / 2});
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: pictures OUTDIR\n", stderr);
    return 2;
  }
  g_out = argv[1];
  frmAddIn& hub = forms::Instance<frmAddIn>();
  hub.Show();
  Pump();
  Snap(hub, L"hub");

  Click(hub.Command5.hwnd());
  Form10& converter = forms::Instance<Form10>();
  converter.Text1.SetText(L"Dim answer As Long\r\nMsgBox \"The answer is \" & answer\r\nEnd");
  Snap(converter, L"converter");
  converter.Unload();

  Click(hub.Command2.hwnd());
  Form1& catalogue = forms::Instance<Form1>();
  Click(catalogue.Option1[1].hwnd());
  Snap(catalogue, L"catalogue");
  catalogue.Unload();

  Click(hub.Command3.hwnd());
  Form3& launcher = forms::Instance<Form3>();
  Snap(launcher, L"launcher");
  Click(launcher.Command1.hwnd());
  Snap(forms::Instance<Form4>(), L"input");
  forms::Instance<Form4>().Unload();
  Click(launcher.Command2.hwnd());
  Snap(forms::Instance<Form5>(), L"multi_input");
  forms::Instance<Form5>().Unload();
  Click(launcher.Command3.hwnd());
  Snap(forms::Instance<Form6>(), L"message");
  forms::Instance<Form6>().Unload();
  Click(launcher.Command4.hwnd());
  Form7& navigator = forms::Instance<Form7>();
  navigator.Text2.SetText(L"http://www.example.com/");
  Click(navigator.Command1.hwnd());
  Snap(navigator, L"navigator");
  navigator.Unload();
  launcher.Unload();

  Click(hub.Command1.hwnd());
  Form2& ideas = forms::Instance<Form2>();
  Snap(ideas, L"ideas");
  Click(ideas.Command1.hwnd());
  Form9& store = forms::Instance<Form9>();
  if (store.IsLoaded() && store.ListView1.Count() > 1) {
    ClickItem(store.ListView1, 1);
    Pump();
  } else {
    std::fputs("pictures: the store listed nothing; is its server running?\n", stderr);
    ++g_failures;
  }
  Snap(store, L"store");
  store.Unload();
  ideas.Unload();

  Click(hub.Command6.hwnd());
  Snap(forms::Instance<Form8>(), L"tricks");
  forms::Instance<Form8>().Unload();
  hub.Unload();
  Pump();
  return g_failures ? 1 : 0;
}
