#include "store/download.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "store/web_library.h"

namespace store {
namespace {

CRITICAL_SECTION* LimitsLock() {
  static CRITICAL_SECTION* const lock = [] {
    auto* cs = new CRITICAL_SECTION;
    InitializeCriticalSection(cs);
    return cs;
  }();
  return lock;
}
DownloadLimits g_limits;
volatile LONG g_running = 0;
volatile LONG g_serial = 0;

// The files of the downloads under way. A program that ends meanwhile
// (its last window closed during a refresh given up on) ends their workers
// with it: it deletes their files first, which the workers hold open for
// deletion too.
struct OpenParts {
  CRITICAL_SECTION lock;
  std::vector<std::wstring> paths;
};

void DeleteOpenParts();

OpenParts& Parts() {
  static OpenParts* const parts = [] {
    auto* p = new OpenParts;  // never freed: workers may outlive the statics
    InitializeCriticalSection(&p->lock);
    std::atexit(&DeleteOpenParts);
    return p;
  }();
  return *parts;
}

void DeleteOpenParts() {
  OpenParts& parts = Parts();
  EnterCriticalSection(&parts.lock);
  for (const std::wstring& path : parts.paths) DeleteFileW(path.c_str());
  parts.paths.clear();
  LeaveCriticalSection(&parts.lock);
}

void NotePart(const std::wstring& path) {
  OpenParts& parts = Parts();
  EnterCriticalSection(&parts.lock);
  parts.paths.push_back(path);
  LeaveCriticalSection(&parts.lock);
}

// Whoever moves or deletes the file forgets it.
void ForgetPart(const std::wstring& path) {
  OpenParts& parts = Parts();
  EnterCriticalSection(&parts.lock);
  std::erase(parts.paths, path);
  LeaveCriticalSection(&parts.lock);
}

// What the window's thread and the worker share. Each holds a reference;
// the last one to let go frees it, so a worker given up on can finish (and
// clean up) long after the call that started it has returned.
struct Job {
  Job() { InitializeCriticalSection(&lock); }
  ~Job() {
    if (done) CloseHandle(done);
    DeleteCriticalSection(&lock);
  }

  volatile LONG refs = 2;
  std::string url;
  std::wstring part;  // the worker's own file
  DownloadLimits limits;
  DWORD started = 0;
  volatile LONG lastData = 0;  // tick count of the last data received
  HANDLE done = nullptr;       // set when the worker has finished
  HMODULE module = nullptr;    // held by the worker while it runs

  CRITICAL_SECTION lock;
  bool abandoned = false;  // no one waits for the result any more
  bool ok = false;         // the whole body stands in `part`
};

void Release(Job* job) {
  if (InterlockedDecrement(&job->refs) == 0) delete job;
}

bool Abandoned(Job& job) {
  EnterCriticalSection(&job.lock);
  const bool abandoned = job.abandoned;
  LeaveCriticalSection(&job.lock);
  return abandoned;
}

void NoteData(Job& job) { InterlockedExchange(&job.lastData, static_cast<LONG>(GetTickCount())); }

bool WriteAll(HANDLE file, const char* data, DWORD size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

// A 2xx answer whose announced length, if any, the store would read; the
// length, to check the body against.
bool AnswerAcceptable(const WebLibrary& web, HINTERNET request, unsigned long long maxBytes,
                      bool& hasLength, unsigned long long& announced) {
  DWORD status = 0, size = sizeof status;
  if (!web.HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr) ||
      status < 200 || status > 299)
    return false;
  char text[32] = {};
  size = sizeof text - 1;
  hasLength = false;
  announced = 0;
  if (web.HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) {
    for (DWORD i = 0; i < size && text[i] >= '0' && text[i] <= '9'; ++i) {
      hasLength = true;
      // A length past the cap is refused below, however long it is.
      if (announced <= maxBytes) announced = announced * 10 + static_cast<unsigned>(text[i] - '0');
    }
  }
  // A list that announces more than the store would read is refused before
  // a byte of it is saved.
  return !(hasLength && announced > maxBytes);
}

// Runs on the worker: the request and the copy of its body into job.part.
// Ends on its own when the time runs out, and as soon as it is given up on
// or the body passes the size cap; a silent peer ends the platform's wait
// for it after stallMs.
bool Fetch(Job& job) {
  const WebLibrary& web = Web();
  if (!web.HasHttp()) return false;
  HANDLE out = CreateFileW(job.part.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  HINTERNET session = web.InternetOpenA("BRINDLE", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET connection = nullptr, request = nullptr;
  char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
  std::string path(job.url.size() + 1, '\0'), extra(job.url.size() + 1, '\0');
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  parts.lpszExtraInfo = extra.data();  // a query, asked for with the path
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (session && web.InternetCrackUrlA(job.url.c_str(), 0, 0, &parts) &&
      (parts.nScheme == INTERNET_SCHEME_HTTP || parts.nScheme == INTERNET_SCHEME_HTTPS)) {
    path.resize(parts.dwUrlPathLength);
    if (path.empty()) path.push_back('/');
    // A fragment stays on this side.
    extra.resize(parts.dwExtraInfoLength);
    path.append(extra, 0, extra.find('#'));
    DWORD timeout = job.limits.stallMs;
    web.InternetSetOptionA(session, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    connection = web.InternetConnectA(session, host, parts.nPort, nullptr, nullptr,
                                      INTERNET_SERVICE_HTTP, 0, 0);
    // Always fresh from the server, and nothing kept: no cache entry, no
    // cookie, no dialog.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    if (connection)
      request = web.HttpOpenRequestA(connection, "GET", path.c_str(), nullptr, nullptr, nullptr,
                                     flags, 0);
    // The waits for a silent peer, set where the platform honours them.
    if (request)
      for (DWORD option : {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        web.InternetSetOptionA(request, option, &timeout, sizeof timeout);
    if (request && !web.HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
      web.InternetCloseHandle(request);
      request = nullptr;
    }
  }
  bool hasLength = false;
  unsigned long long announced = 0;
  if (request && AnswerAcceptable(web, request, job.limits.maxBytes, hasLength, announced)) {
    NoteData(job);
    std::vector<char> buffer(64 << 10);
    unsigned long long total = 0;
    for (;;) {
      if (Abandoned(job) || GetTickCount() - job.started >= job.limits.totalMs) break;
      // Waits for some data only, not for a full buffer, so that a trickle
      // is seen (and timed) as it comes.
      DWORD available = 0;
      if (!web.InternetQueryDataAvailable(request, &available, 0, 0)) break;
      if (available == 0) {  // the end of the body
        ok = !hasLength || total == announced;
        break;
      }
      DWORD got = 0;
      const DWORD want = std::min<DWORD>(available, static_cast<DWORD>(buffer.size()));
      if (!web.InternetReadFile(request, buffer.data(), want, &got)) break;
      if (got == 0) {
        ok = !hasLength || total == announced;
        break;
      }
      total += got;
      if (total > job.limits.maxBytes || !WriteAll(out, buffer.data(), got)) break;
      NoteData(job);
    }
  }
  if (request) web.InternetCloseHandle(request);
  if (connection) web.InternetCloseHandle(connection);
  if (session) web.InternetCloseHandle(session);
  if (!CloseHandle(out)) ok = false;
  return ok;
}

DWORD WINAPI WorkerMain(void* parameter) {
  Job* job = static_cast<Job*>(parameter);
  HMODULE module = job->module;
  const bool ok = Fetch(*job);
  EnterCriticalSection(&job->lock);
  // Decided under the lock, so that a file is either handed over or gone.
  job->ok = ok && !job->abandoned;
  if (!job->ok) {
    DeleteFileW(job->part.c_str());
    ForgetPart(job->part);
  }
  SetEvent(job->done);
  LeaveCriticalSection(&job->lock);
  Release(job);
  InterlockedDecrement(&g_running);
  // The code of this thread may live in a DLL (the add-in) that its host
  // would otherwise be free to unload meanwhile.
  if (module) FreeLibraryAndExitThread(module, 0);
  return 0;
}

// Waits for the worker while dispatching this thread's messages; true when
// it finished (successfully or not) in time.
bool WaitDispatching(Job& job, const std::function<bool()>& cancelled, bool& quit, int& exitCode) {
  for (;;) {
    if (cancelled && cancelled()) return false;
    if (WaitForSingleObject(job.done, 0) == WAIT_OBJECT_0) return true;
    const DWORD now = GetTickCount();
    const DWORD sinceStart = now - job.started;
    const DWORD sinceData = now - static_cast<DWORD>(InterlockedCompareExchange(&job.lastData, 0, 0));
    if (sinceStart >= job.limits.totalMs || sinceData >= job.limits.stallMs) return false;
    const DWORD wait = std::min(job.limits.totalMs - sinceStart, job.limits.stallMs - sinceData);
    if (MsgWaitForMultipleObjectsEx(1, &job.done, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
        WAIT_OBJECT_0 + 1)
      continue;
    // One message at a time: what it does may end the wait.
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
    if (msg.message == WM_QUIT) {
      // Meant for the loop outside, which gets it once this wait is over;
      // until then the windows go on working.
      quit = true;
      exitCode = static_cast<int>(msg.wParam);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool Wait(Job& job, const std::function<bool()>& cancelled) {
  bool quit = false;
  int exitCode = 0;
  const bool finished = WaitDispatching(job, cancelled, quit, exitCode);
  if (quit) PostQuitMessage(exitCode);
  return finished;
}

}  // namespace

DownloadLimits CurrentDownloadLimits() {
  EnterCriticalSection(LimitsLock());
  const DownloadLimits limits = g_limits;
  LeaveCriticalSection(LimitsLock());
  return limits;
}

void SetDownloadLimits(const DownloadLimits& limits) {
  EnterCriticalSection(LimitsLock());
  g_limits = limits;
  LeaveCriticalSection(LimitsLock());
}

int DownloadsRunning() { return static_cast<int>(InterlockedCompareExchange(&g_running, 0, 0)); }

bool FetchToFile(const std::string& url, const std::wstring& file,
                 const std::function<bool()>& cancelled) {
  Web();  // loaded here, not first on a worker
  auto* job = new Job;
  job->url = url;
  job->limits = CurrentDownloadLimits();
  // A name no other download, of this process or another, uses.
  job->part = file + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(InterlockedIncrement(&g_serial)) + L".part";
  job->started = GetTickCount();
  job->lastData = static_cast<LONG>(job->started);
  job->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!job->done ||
      !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&WorkerMain), &job->module)) {
    delete job;
    return false;
  }
  NotePart(job->part);
  InterlockedIncrement(&g_running);
  HANDLE thread = CreateThread(nullptr, 0, &WorkerMain, job, 0, nullptr);
  if (!thread) {
    ForgetPart(job->part);
    InterlockedDecrement(&g_running);
    FreeLibrary(job->module);
    delete job;
    return false;
  }
  CloseHandle(thread);

  bool ok = Wait(*job, cancelled);
  EnterCriticalSection(&job->lock);
  if (ok) {
    ok = job->ok;
  } else {
    // Given up: the worker deletes its file when it ends; one that has just
    // ended has left it to us.
    job->abandoned = true;
    if (job->ok) {
      DeleteFileW(job->part.c_str());
      ForgetPart(job->part);
    }
    job->ok = false;
  }
  LeaveCriticalSection(&job->lock);
  if (ok) {
    if (!MoveFileExW(job->part.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      DeleteFileW(job->part.c_str());
      ok = false;
    }
    ForgetPart(job->part);
  }
  Release(job);
  return ok;
}

}  // namespace store
