// The small Win32 helpers that windows, the add-in and the tests share:
// text at the platform boundary and the module the code runs in.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <string_view>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace forms {

// The module (program or DLL) this code is linked into.
inline HINSTANCE Module() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
// The full path of the module's file; empty when it cannot be read.
std::wstring ModulePath();

// Wide strings and the portable core's UTF-16 strings are the same code
// units on Windows; these copy between them at the boundary.
std::wstring Wide(std::u16string_view text);
std::u16string Utf16(std::wstring_view text);
// UTF-8, as standard exceptions carry their text. Invalid input is widened
// byte by byte rather than lost.
std::wstring WidenUtf8(const char* text);
std::string NarrowUtf8(std::wstring_view text);
// The system's ANSI code page, as 8-bit calls and the clipboard's CF_TEXT
// take text; what it cannot hold becomes its default character.
std::string Ansi(std::wstring_view text);

// A window's whole text; empty for no window.
std::wstring WindowText(HWND hwnd);

// The system's description of an error code, without the trailing line
// break; empty when the system has none.
std::wstring SystemMessage(DWORD code);

}  // namespace forms
