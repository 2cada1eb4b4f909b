// The product's names and addresses, shared by every part of the program.
// Portable, and it includes nothing of the program's own.
#pragma once
#include <string_view>

namespace brindle {

// Caption of every message box that gives none of its own, and the
// application name of the add-in's per-user setting.
inline constexpr std::u16string_view kAppTitle = u"BRINDLE Plus!";

// The product's own web pages: the upload page, the snippet archive, and the
// public program store all live on this host.
inline constexpr std::u16string_view kProductHost = u"brindleplus.org";

// Scheme, host and port of the store server this build talks to; chosen when
// the program is built (CMake cache variable BRINDLE_STORE_SERVER).
inline constexpr std::u16string_view kStoreServer = BRINDLE_STORE_SERVER;

}  // namespace brindle
