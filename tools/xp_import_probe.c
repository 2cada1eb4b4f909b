/* A program that imports one function Windows XP lacks: the import check
   must find it, so the check is known to be able to fail. */
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>

int main(void) { return (int)(GetTickCount64() & 1); }
