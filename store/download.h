// The store list's download: fetched over http on a worker thread of its
// own, while the calling (window) thread goes on processing its messages,
// and bounded in time and size so that no server, however slow, silent or
// endless, can hang the program or fill the disk.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <string>

namespace store {

// The largest list the store reads: a larger one is no store list, and
// refusing it keeps a 32-bit process from exhausting its address space on
// the bytes and their decoded copy. A download stops as soon as it passes it.
inline constexpr unsigned long long kMaxListBytes = 256ULL << 20;

struct DownloadLimits {
  // Given up when no data has arrived for this long (connecting and the
  // wait for the answer included)...
  DWORD stallMs = 10000;
  // ...or when the whole download has taken this long. A 32,767-entry list
  // takes well under a second on loopback; a slow line still gets the time
  // it needs.
  DWORD totalMs = 60000;
  // ...or as soon as more than this many bytes have come.
  unsigned long long maxBytes = kMaxListBytes;
};

// The figures every download uses; the defaults above unless a test has
// set others (shorter waits, so that its hostile servers take seconds).
DownloadLimits CurrentDownloadLimits();
void SetDownloadLimits(const DownloadLimits& limits);

// Fetches `url` into the file `file`: true only when a 2xx answer's whole
// body now stands in it. The body goes into a temporary file of its own
// beside `file` and replaces `file` only after a complete download, so a
// failed, abandoned or late download never touches it, and leaves no file
// of its own behind, even when the program ends while it runs. Nothing is
// read from or written to the URL cache.
//
// Meanwhile this thread's messages are dispatched; `cancelled` is asked
// after each one and ends the wait (false) when it says so. A WM_QUIT seen
// meanwhile is posted again when the wait is over, for the loop it was
// meant for.
bool FetchToFile(const std::string& url, const std::wstring& file,
                 const std::function<bool()>& cancelled);

// Worker threads still running: one given up on lingers until the
// connection it waits on times out (at most stallMs) or its next data.
int DownloadsRunning();

}  // namespace store
