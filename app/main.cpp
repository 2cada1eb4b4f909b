// BRINDLE.exe: shows the hub and runs until the last window is closed.
#include "app/frmAddIn.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  forms::Guard([] { forms::Instance<frmAddIn>().Show(); });
  return forms::Run();
}
