// Has the VBScript engine that Wine ships (cscript.exe) evaluate a script
// for a test: the script assigns s for each text in turn and writes each
// value to a UTF-16 file, which the test then compares with its texts.
// cscript reads a script in the ANSI code page (a UTF-16 one with a byte
// order mark runs nothing), so each caller writes its script in that code
// page.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace brindle::testing {

// `name` in the temporary folder.
std::wstring TempPath(const std::wstring& name);

// Replaces the file at `path` with `bytes`.
void WriteBytes(const std::wstring& path, const std::string& bytes);

// Runs `cscript.exe //nologo script`, waiting at most `timeoutMs`, and
// returns what it wrote to `out`, a UTF-16 file, without the byte order
// mark. A cscript that cannot start or does not end fails the test.
std::u16string RunScript(const std::wstring& script, const std::wstring& out, DWORD timeoutMs);

// A script that opens `out` and, for each k below `count`, runs the source
// `assign(k)` and writes s as its length, a colon and the value; "end"
// last shows that the script ran to its end.
std::u16string ValuesScript(const std::wstring& out, std::size_t count,
                            const std::function<std::u16string(std::size_t)>& assign);

// Checks that `written`, what a ValuesScript wrote, holds `texts` in order
// and the final "end"; `what` names an item in the messages.
void ExpectValues(const std::u16string& written, const std::vector<std::u16string>& texts, const char* what);

}  // namespace brindle::testing
