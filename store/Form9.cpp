#include "store/Form9.h"

#include <algorithm>
#include <new>

#include "store/download.h"
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

void Form9::Form_Load() {
  // Never 0, which stands for no refresh.
  if (++loads_ == 0) ++loads_;
  appstore();
}

void Form9::Command1_Click() { appstore(); }

void Form9::ListView1_Click() {
  const int selected = ListView1.SelectedIndex();
  if (selected < 0) return;
  Text1.SetText(forms::Wide(brindle::DownloadAddress(forms::Utf16(ListView1.ItemText(selected)))));
}

void Form9::Command2_Click() { forms::MsgBox(L"none"); }

bool Form9::DownloadFile(std::wstring_view sSourceUrl, std::wstring_view sLocalFile) {
  const bool loaded = IsLoaded();
  const unsigned load = loads_;
  return store::FetchToFile(forms::Ansi(sSourceUrl), std::wstring(sLocalFile),
                            [this, loaded, load] { return loaded && (!IsLoaded() || loads_ != load); });
}

void Form9::appstore() {
  const unsigned load = loads_;
  if (refreshing_ != 0 && refreshing_ == load && IsLoaded()) return;  // one at a time
  ListView1.Clear();
  const ListFile& file = TheListFile();
  if (!file.folder.empty()) CreateDirectoryW(file.folder.c_str(), nullptr);
  refreshing_ = load;
  // The download replaces the list file only when it succeeded, so a
  // failed one never destroys the last good list.
  const bool downloaded = DownloadFile(forms::Wide(brindle::StoreListAddress()), file.path);
  // A refresh of a later loading may have run inside this one's wait.
  if (refreshing_ == load) refreshing_ = 0;
  // Closed meanwhile: its controls are gone, and must not be made again.
  if (!downloaded || !IsLoaded() || loads_ != load) return;
  std::u16string list;
  if (!store::ReadStoreListFile(file.path, list)) return;
  const std::u16string search = forms::Utf16(Text2.Text());
  // One quiet update from the emptied to the filled list: each repaint of
  // the list costs more than filling it.
  UpdateScope quiet(ListView1);
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
  if (GetFileSizeEx(handle, &size) && size.QuadPart >= 0 && static_cast<unsigned long long>(size.QuadPart) <= store::kMaxListBytes) {
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
