// The add-in's COM class Connect.
#pragma once

#include <windows.h>

namespace quillstone {

// A new Connect object asked for `iid`; the caller owns the reference.
HRESULT CreateConnect(REFIID iid, void** out);

}  // namespace quillstone
