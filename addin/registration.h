// Registration of the add-in for the current user.
#pragma once

#include <windows.h>

namespace quillstone {

// Registers the DLL where it lies; on any failure undoes what it wrote.
HRESULT Register();
// Removes every key Register writes, and parents it leaves empty.
void Unregister();

}  // namespace quillstone
