#pragma once

// Registers the common-control classes the program asks for before its hub
// window is built. Every failure is ignored: a missing library or entry point
// changes nothing.
void InitializeCommonControls() noexcept;

// Test seams: the library the entry point is looked up in (a fresh look-up
// follows), and how many times the entry point has been called.
void SetCommonControlsLibraryForTesting(const wchar_t* library) noexcept;
int CommonControlsCallsForTesting() noexcept;
