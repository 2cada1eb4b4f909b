#include "store/Form9.h"

#include <algorithm>
#include <new>
#include <vector>

#include "store/storelist.h"
#include "store/web_library.h"

namespace {

const forms::WindowSpec kLayout = {
    .caption = L"BRINDLE ORLEX Program Store",
    .width = 8835,
    .height = 6765,
};

constexpr wchar_t kClassicFolder[] = L"C:\\Documents and Settings";
constexpr wchar_t kListFileName[] = L"appstore.txt";

// A list this large is no store list; refusing it keeps a 32-bit process
// from exhausting its address space on the bytes and their decoded copy.
constexpr LONGLONG kMaxListBytes = 256LL << 20;

bool IsRealFolder(const wchar_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

struct ListFile {
  std::wstring folder;  // made before each download when it is ours
  std::wstring path;
};

// Since Vista (and in Wine) "C:\Documents and Settings" is a link to the
// profiles folder that a plain user cannot write into, so the download
// would always fail there.
ListFile ChooseListFile() {
  if (IsRealFolder(kClassicFolder))
    return {{}, std::wstring(kClassicFolder) + L"\\" + kListFileName};
  wchar_t base[MAX_PATH] = {};
  const store::WebLibrary& web = store::Web();
  if (web.SHGetFolderPathW &&
      SUCCEEDED(web.SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                     SHGFP_TYPE_CURRENT, base))) {
    std::wstring folder = std::wstring(base) + L"\\BRINDLE";
    std::wstring path = folder + L"\\" + kListFileName;
    return {std::move(folder), std::move(path)};
  }
  return {{}, std::wstring(kClassicFolder) + L"\\" + kListFileName};
}

const ListFile& TheListFile() {
  static const ListFile file = ChooseListFile();
  return file;
}

// Appends each listed entry to the list view as it is found. A list view
// item ends at its first NUL, so NULs from a file that is not text show as
// the replacement character instead of cutting the entry short.
class Filler final : public brindle::EntrySink {
 public:
  explicit Filler(forms::ListView& view) : view_(view) {}
  void Entry(std::u16string_view entry) override {
    item_.assign(entry.begin(), entry.end());
    std::replace(item_.begin(), item_.end(), L'\0', L'\xFFFD');
    view_.Add(item_);
  }

 private:
  forms::ListView& view_;
  std::wstring item_;
};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.data(),
                        static_cast<int>(prefix.size()), prefix.data(),
                        static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

// Finds the value of a header in a raw CR LF header block.
bool HeaderValue(std::string_view headers, std::string_view name, std::string_view& value) {
  size_t at = headers.find("\r\n");
  while (at != std::string_view::npos) {
    const std::string_view line = headers.substr(at + 2, headers.find("\r\n", at + 2) - at - 2);
    if (StartsWithNoCase(line, name) && line.size() > name.size() && line[name.size()] == ':') {
      value = line.substr(name.size() + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      return true;
    }
    at = headers.find("\r\n", at + 2);
  }
  return false;
}

// The answer whose body became the downloaded file failed: a status other
// than 2xx, or fewer bytes saved than announced.
bool AnswerFailed(std::string_view headers, std::wstring_view file) {
  if (!StartsWithNoCase(headers, "HTTP/")) return false;
  const size_t space = headers.find(' ');
  if (space == std::string_view::npos || headers.size() < space + 4) return false;
  if (headers[space + 1] != '2') return true;

  std::string_view encoding, length;
  // A compressed body is saved decoded: its length says nothing then.
  if (HeaderValue(headers, "Content-Encoding", encoding) && !StartsWithNoCase(encoding, "identity"))
    return false;
  if (!HeaderValue(headers, "Content-Length", length)) return false;
  unsigned long long announced = 0;
  for (char c : length) {
    if (c < '0' || c > '9') break;
    announced = announced * 10 + static_cast<unsigned>(c - '0');
  }
  WIN32_FILE_ATTRIBUTE_DATA data;
  const std::wstring path(file);
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return true;
  const unsigned long long saved =
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return saved != announced;
}

// Runs one of the cache's entry calls, `read(entry, &size)`, in `buffer`,
// growing it once when the call asks for more room; null when it fails.
template <class Read>
INTERNET_CACHE_ENTRY_INFOA* ReadEntry(std::vector<DWORD>& buffer, Read read) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    if (read(entry, &size)) return entry;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return nullptr;
    buffer.resize(size / sizeof(DWORD) + 1);
  }
  return nullptr;
}

// The headers of the answer that the URL cache recorded last, at or after
// `since`; empty when it recorded none. The time of its last access tells:
// the time of its last synchronisation is kept to two seconds only.
std::string NewestRecordedSince(const store::WebLibrary& web, const FILETIME& since) {
  std::vector<DWORD> buffer(1024);
  HANDLE find = nullptr;
  INTERNET_CACHE_ENTRY_INFOA* entry = ReadEntry(buffer, [&](auto* e, DWORD* size) {
    find = web.FindFirstUrlCacheEntryA(nullptr, e, size);
    return find != nullptr;
  });
  if (!entry) return {};
  std::string newest;
  FILETIME newestTime = since;
  while (entry) {
    if (entry->lpHeaderInfo && CompareFileTime(&entry->LastAccessTime, &newestTime) >= 0) {
      newestTime = entry->LastAccessTime;
      newest.assign(entry->lpHeaderInfo, entry->dwHeaderInfoSize);
    }
    entry = ReadEntry(buffer, [&](auto* e, DWORD* size) {
      return web.FindNextUrlCacheEntryA(find, e, size) != FALSE;
    });
  }
  web.FindCloseUrlCache(find);
  return newest;
}

// Wine's urlmon reports success for an HTTP error answer, for a body cut
// short, and for a redirect to an error page, and saves whatever came. The
// answers it keeps in the URL cache tell the truth. A direct answer is
// recorded under the address asked for; a redirect is not, only the answer
// of its target is, under the target's address, which the platform does not
// tell a caller without a status callback: then the answer recorded last
// since the download began is the one that gave the file. With no answer
// recorded at all, the platform's result stands.
bool RecordedResponseFailed(const store::WebLibrary& web, const std::string& url,
                            std::wstring_view file, const FILETIME& started) {
  std::vector<DWORD> buffer(1024);
  if (const INTERNET_CACHE_ENTRY_INFOA* entry = ReadEntry(buffer, [&](auto* e, DWORD* size) {
        return web.GetUrlCacheEntryInfoA(url.c_str(), e, size) != FALSE;
      })) {
    return entry->lpHeaderInfo &&
           AnswerFailed(std::string_view(entry->lpHeaderInfo, entry->dwHeaderInfoSize), file);
  }
  const std::string redirected = NewestRecordedSince(web, started);
  return !redirected.empty() && AnswerFailed(redirected, file);
}

class UpdateScope {
 public:
  explicit UpdateScope(forms::ListView& view) : view_(view) { view_.BeginUpdate(); }
  ~UpdateScope() { view_.EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  forms::ListView& view_;
};

}  // namespace

const forms::Font Form9::kTitleFont = {L"MS Sans Serif", 18, FW_BOLD};

Form9::Form9() : Form(kLayout) {
  Command1.Click = [this] { Command1_Click(); };
  ListView1.Click = [this] { ListView1_Click(); };
  Command2.Click = [this] { Command2_Click(); };
}

void Form9::Form_Load() { appstore(); }

void Form9::Command1_Click() { appstore(); }

void Form9::ListView1_Click() {
  const int selected = ListView1.SelectedIndex();
  if (selected < 0) return;
  Text1.SetText(forms::Wide(brindle::DownloadAddress(forms::Utf16(ListView1.ItemText(selected)))));
}

void Form9::Command2_Click() { forms::MsgBox(L"none"); }

bool Form9::DownloadFile(std::wstring_view sSourceUrl, std::wstring_view sLocalFile) {
  const store::WebLibrary& web = store::Web();
  if (!web.URLDownloadToFileA) return false;
  const std::string url = forms::Ansi(sSourceUrl);
  const std::string file = forms::Ansi(sLocalFile);
  // An older response in the cache must not vouch for this download.
  if (web.HasUrlCache()) web.DeleteUrlCacheEntryA(url.c_str());
  FILETIME started;
  GetSystemTimeAsFileTime(&started);
  return web.URLDownloadToFileA(nullptr, url.c_str(), file.c_str(), 16, nullptr) == 0 &&
         !(web.HasUrlCache() && RecordedResponseFailed(web, url, sLocalFile, started));
}

void Form9::appstore() {
  // One quiet update from the emptying to the filled list: the thread is
  // busy downloading in between anyway, and each repaint of the list costs
  // more than filling it.
  UpdateScope quiet(ListView1);
  ListView1.Clear();
  const ListFile& file = TheListFile();
  if (!file.folder.empty()) CreateDirectoryW(file.folder.c_str(), nullptr);
  // The download goes beside the list file and replaces it only when it
  // succeeded, so a platform that writes a failed answer anyway cannot
  // destroy the last good list.
  const std::wstring part = file.path + L".download";
  if (!DownloadFile(forms::Wide(brindle::StoreListAddress()), part) ||
      !MoveFileExW(part.c_str(), file.path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(part.c_str());
    return;
  }
  std::u16string list;
  if (!store::ReadStoreListFile(file.path, list)) return;
  const std::u16string search = forms::Utf16(Text2.Text());
  Filler filler(ListView1);
  brindle::FilterStoreList(list, search, filler);
}

namespace store {

const std::wstring& StoreListFile() { return TheListFile().path; }

bool ReadStoreListFile(const std::wstring& path, std::u16string& text) {
  text.clear();
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  bool ok = false;
  LARGE_INTEGER size = {};
  if (GetFileSizeEx(handle, &size) && size.QuadPart >= 0 && size.QuadPart <= kMaxListBytes) {
    try {
      bytes.resize(static_cast<size_t>(size.QuadPart));
      DWORD got = 0;
      ok = bytes.empty() ||
           ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
      // A file that shrank since its length was taken gives what it holds.
      if (ok) bytes.resize(got);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  CloseHandle(handle);
  if (!ok) return false;
  if (bytes.empty()) return true;
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, 0);
  if (n <= 0) return false;
  try {
    text.resize(static_cast<size_t>(n));
  } catch (const std::bad_alloc&) {
    return false;
  }
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                      reinterpret_cast<wchar_t*>(text.data()), n);
  return true;
}

}  // namespace store
