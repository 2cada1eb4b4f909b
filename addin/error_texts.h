// Every text the add-in reports a failure with, in one list: the texts a
// VB6 add-in's user knows from the runtime's own errors. Portable.
#pragma once

#include <string_view>

namespace brindle {

inline constexpr std::u16string_view kObjectNotSet =
    u"Object variable or With block variable not set";
inline constexpr std::u16string_view kTypeMismatch = u"Type mismatch";
inline constexpr std::u16string_view kNoSuchMember =
    u"Object doesn't support this property or method";
inline constexpr std::u16string_view kNoSuchEvents =
    u"Object or class does not support the set of events";
inline constexpr std::u16string_view kOutOfMemory = u"Out of memory";
inline constexpr std::u16string_view kUnexpectedFailure = u"Unexpected failure";
// A failed host call that says nothing of its own; the system's text for
// its code follows on the next line when there is one.
inline constexpr std::u16string_view kAutomationError = u"Automation error";
// A registry failure the system has no text for; the code follows.
inline constexpr std::u16string_view kRegistryError = u"Registry error ";

}  // namespace brindle
