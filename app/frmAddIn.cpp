#include "app/frmAddIn.h"

#include <string>

#include "app/Module1.h"
#include "converter/window/Form10.h"
#include "dialogs/Form3.h"
#include "showcase/Form2.h"
#include "showcase/Form8.h"
#include "snippets/Form1.h"

namespace {
const forms::WindowSpec kLayout = {
    .caption = L"BRINDLE Plus - Windows XP Fenwick! - VB7",
    .width = 4950,
    .height = 7320,
    .border = forms::Border::FixedDialog,
    .minButton = false,
    .maxButton = false,
    .showInTaskbar = false,
    .startUp = forms::StartUp::CenterScreen,
};
}  // namespace

frmAddIn::frmAddIn() : Form(kLayout) {
  Command1.Click = [this] { Command1_Click(); };
  Command2.Click = [this] { Command2_Click(); };
  Command3.Click = [this] { Command3_Click(); };
  Command4.Click = [this] { Command4_Click(); };
  Command5.Click = [this] { Command5_Click(); };
  Command6.Click = [this] { Command6_Click(); };
}

void frmAddIn::Form_Initialize() { InitializeCommonControls(); }

void frmAddIn::Command1_Click() { forms::Instance<Form2>().Show(); }

void frmAddIn::Command2_Click() { forms::Instance<Form1>().Show(); }

void frmAddIn::Command3_Click() { forms::Instance<Form3>().Show(); }

void frmAddIn::Command4_Click() { StartResourceHacker(); }

void frmAddIn::Command5_Click() { forms::Instance<Form10>().Show(); }

void frmAddIn::Command6_Click() { forms::Instance<Form8>().Show(); }

void StartResourceHacker() {
  // A bare name: the platform's usual program search decides which file runs.
  std::wstring commandLine = L"ResourceHacker.exe";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWMINIMIZED;  // minimized, with the focus
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi)) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
      throw forms::Error(L"The program \"ResourceHacker.exe\" could not be found.");
    std::wstring reason = forms::SystemMessage(code);
    if (reason.empty()) reason = L"error " + std::to_wstring(code);
    throw forms::Error(L"The program \"ResourceHacker.exe\" could not be started: " + reason);
  }
  // The process is not kept or watched: each click starts one more.
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}
