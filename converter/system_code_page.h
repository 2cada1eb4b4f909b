// Code page tables from the platform: Windows' own conversions, iconv
// elsewhere. This is the converter's boundary to the system for code pages;
// what uses the tables is portable.
#pragma once
#include <optional>

#include "converter/code_page.h"

namespace brindle {

// The table of code page `number` (1252, 932, 936, ...): nullopt when the
// platform does not know it or it is no single- or double-byte code page.
std::optional<CodePage> SystemCodePage(int number);

// The system's ANSI code page on Windows; 1252 elsewhere.
int AnsiCodePage();

}  // namespace brindle
