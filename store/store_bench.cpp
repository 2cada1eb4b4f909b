// Times a refresh of a 32,767-entry store list served on loopback, from the
// click on the search button to the filled list, against the download of
// the same file alone. Run it under Wine (or on Windows) and compare:
//   store_bench [rounds]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <algorithm>

#include "app/Module1.h"
#include "store/Form9.h"
#include "store/storelist.h"
#include "store/testing/loopback_server.h"
#include "forms/testing/bench.h"
#include "forms/testing/ui.h"

namespace {

using forms::testing::Median;
using forms::testing::Now;
using forms::testing::Pump;

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  constexpr int kEntries = 32767;
  std::string list;
  for (int i = 0; i < kEntries; ++i)
    list += "../public_html/appstore/program-" + std::to_string(i) + ".zip\n";
  list.pop_back();  // 32,766 line feeds: exactly 32,767 pieces

  store::testing::LoopbackServer server(store::testing::StorePort());
  if (!server.listening()) {
    std::fprintf(stderr, "store_bench: cannot listen on the store's port\n");
    return 1;
  }
  server.Serve({.body = list});
  InitializeCommonControls();

  Form9& form = forms::Instance<Form9>();
  form.Show();
  Pump();
  if (form.ListView1.Count() != kEntries) {
    std::fprintf(stderr, "store_bench: listed %d entries, expected %d\n", form.ListView1.Count(),
                 kEntries);
    return 1;
  }

  const std::wstring url = forms::Wide(brindle::StoreListAddress());
  const std::wstring file = store::StoreListFile();
  std::vector<double> download, refresh;
  for (int i = 0; i < rounds; ++i) {
    double t = Now();
    if (!form.DownloadFile(url, file)) return 1;
    download.push_back(Now() - t);

    t = Now();
    SendMessageW(form.Command1.hwnd(), BM_CLICK, 0, 0);
    refresh.push_back(Now() - t);
    Pump();
    if (form.ListView1.Count() != kEntries) return 1;
  }
  const double d = Median(download), r = Median(refresh);
  std::printf("store list: %d entries, %zu bytes, %d rounds (medians)\n", kEntries, list.size(),
              rounds);
  std::printf("download alone:          %8.1f ms\n", d);
  std::printf("refresh (click to list): %8.1f ms\n", r);
  std::printf("parse and fill:          %8.1f ms\n", r - d);
  form.Unload();
  return 0;
}
