// Benchmark, not a test: what the add-in adds to the IDE's start. Loading
// Quillstone.dll by its ProgID and OnConnection at start-up, with "My
// AddIn" and the six code window buttons added, in a substitute VBA
// editor. The DLL loads once per process, so each run gives one figure:
// run it a few times (under Wine: tools/winerun quillstone_bench.exe).
#include <windows.h>

#include <chrono>
#include <comcat.h>
#include <cstdio>

#include "addin/quillstone.h"
#include "addin/substitute_vba.h"

using namespace quillstone_testing;

int main() {
  CoInitialize(nullptr);
  if (Regsvr32(false) != 0) {
    std::printf("regsvr32 failed\n");
    return 1;
  }
  VbaIde ide(false);
  // COM's own first costs, which any in-process server pays, apart.
  {
    IUnknown* other = nullptr;
    const auto t0 = std::chrono::steady_clock::now();
    if (SUCCEEDED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IUnknown, reinterpret_cast<void**>(&other))))
      other->Release();
    std::printf("COM's first in-process object (the system's): %.2f ms\n",
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  const auto start = std::chrono::steady_clock::now();
  CLSID clsid = {};
  Ref<quillstone::_IDTExtensibility2> addin;
  HRESULT hr = CLSIDFromProgID(quillstone::kProgId, &clsid);
  const auto found = std::chrono::steady_clock::now();
  Ref<IClassFactory> factory;
  if (SUCCEEDED(hr))
    hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                          reinterpret_cast<void**>(factory.put()));
  const auto mapped = std::chrono::steady_clock::now();
  if (SUCCEEDED(hr))
    hr = factory->CreateInstance(nullptr, quillstone::IID__IDTExtensibility2, reinterpret_cast<void**>(addin.put()));
  const auto loaded = std::chrono::steady_clock::now();
  const auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  std::printf("ProgID %.2f ms, DLL loaded and its factory %.2f ms, the object %.2f ms\n", ms(start, found),
              ms(found, mapped), ms(mapped, loaded));
  if (SUCCEEDED(hr)) hr = addin->OnConnection(ide.root.get(), 1, nullptr, nullptr);
  const auto end = std::chrono::steady_clock::now();
  const size_t items = ide.addInsMenu->controls.size() + ide.Bar(L"Code Window")->controls.size() +
                       ide.Bar(L"Code Window (Break)")->controls.size();
  std::printf("load: %.2f ms\n", std::chrono::duration<double, std::milli>(loaded - start).count());
  if (FAILED(hr) || items != 7) {
    std::printf("the add-in did not connect (0x%08lx, %zu items)\n", static_cast<unsigned long>(hr), items);
    return 1;
  }
  std::printf("load and OnConnection, %zu items added: %.2f ms (OnConnection %.2f ms)\n", items,
              std::chrono::duration<double, std::milli>(end - start).count(),
              std::chrono::duration<double, std::milli>(end - loaded).count());
  addin->OnDisconnection(0, nullptr);
  addin = Ref<quillstone::_IDTExtensibility2>();
  Regsvr32(true);
  CoUninitialize();
  return 0;
}
