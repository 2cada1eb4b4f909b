// A substitute code pane and its module, as late-bound COM objects with
// the members both IDEs share: GetSelection (four Longs by reference),
// SetSelection, CodeModule; Lines, CountOfLines, InsertLines, DeleteLines,
// ReplaceLine; and, for the VBA editor, Parent.Collection.Parent, the
// project with Mode and Protection. Windows only, for tests.
#pragma once

#include <string>
#include <vector>

#include "addin/substitute_host.h"

namespace quillstone_testing {

inline std::vector<std::wstring> SplitCrLf(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t from = 0;
  for (size_t at; (at = text.find(L"\r\n", from)) != std::wstring::npos; from = at + 2)
    lines.push_back(text.substr(from, at - from));
  lines.push_back(text.substr(from));
  return lines;
}

inline LONG LongArg(DISPPARAMS* p, UINT i) {  // i counts from the first argument
  VARIANT v;
  VariantInit(&v);
  if (FAILED(VariantChangeType(&v, &p->rgvarg[p->cArgs - 1 - i], 0, VT_I4))) return -1;
  return v.lVal;
}

inline HRESULT ReturnLong(VARIANT* r, LONG value) {
  if (r) {
    VariantInit(r);
    r->vt = VT_I4;
    r->lVal = value;
  }
  return S_OK;
}

struct SubstituteCodePane {
  std::vector<std::wstring> lines;
  LONG selection[4] = {1, 1, 1, 1};
  LONG mode = 2, protection = 0;
  std::wstring failAt;  // the edit member that raises an error
  std::vector<std::wstring> edits;
  bool withProject = true;  // the VBA editor's module knows its project

  Ref<Obj> pane{new Obj(), false};
  Ref<Obj> module{new Obj(), false};
  Ref<Obj> component{new Obj(), false};
  Ref<Obj> components{new Obj(), false};
  Ref<Obj> project{new Obj(), false};

  SubstituteCodePane() {
    pane->Member(L"GetSelection", [this](WORD, DISPPARAMS* p, VARIANT*) {
      if (p->cArgs != 4) return DISP_E_BADPARAMCOUNT;
      for (UINT i = 0; i < 4; ++i) {
        VARIANT& v = p->rgvarg[3 - i];
        if (v.vt != (VT_I4 | VT_BYREF)) return DISP_E_TYPEMISMATCH;
        *v.plVal = selection[i];
      }
      return S_OK;
    });
    pane->Member(L"SetSelection", [this](WORD, DISPPARAMS* p, VARIANT*) {
      if (p->cArgs != 4) return DISP_E_BADPARAMCOUNT;
      for (UINT i = 0; i < 4; ++i) selection[i] = LongArg(p, i);
      return S_OK;
    });
    pane->Member(L"CodeModule", [this](WORD, DISPPARAMS*, VARIANT* r) { return ReturnObject(r, module.get()); });
    module->Member(L"CountOfLines", [this](WORD, DISPPARAMS*, VARIANT* r) {
      return ReturnLong(r, static_cast<LONG>(lines.size()));
    });
    module->Member(L"Lines", [this](WORD, DISPPARAMS* p, VARIANT* r) {
      const LONG start = LongArg(p, 0), count = LongArg(p, 1);
      if (start < 1 || count < 0 || start - 1 + count > static_cast<LONG>(lines.size()))
        return module->Raise(L"Invalid procedure call or argument");
      std::wstring text;
      for (LONG i = 0; i < count; ++i) text += (i ? L"\r\n" : L"") + lines[static_cast<size_t>(start - 1 + i)];
      VariantInit(r);
      r->vt = VT_BSTR;
      r->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      return S_OK;
    });
    module->Member(L"InsertLines", [this](WORD, DISPPARAMS* p, VARIANT*) {
      edits.push_back(L"InsertLines");
      if (failAt == L"InsertLines") return module->Raise(L"Too many line continuations");
      const LONG at = LongArg(p, 0);
      if (at < 1 || at > static_cast<LONG>(lines.size()) + 1 || p->rgvarg[0].vt != VT_BSTR)
        return module->Raise(L"Invalid procedure call or argument");
      auto added = SplitCrLf(std::wstring(p->rgvarg[0].bstrVal, SysStringLen(p->rgvarg[0].bstrVal)));
      lines.insert(lines.begin() + (at - 1), added.begin(), added.end());
      return S_OK;
    });
    module->Member(L"DeleteLines", [this](WORD, DISPPARAMS* p, VARIANT*) {
      edits.push_back(L"DeleteLines");
      if (failAt == L"DeleteLines") {
        failAt.clear();
        return module->Raise(L"Can't delete these lines");
      }
      const LONG at = LongArg(p, 0), count = LongArg(p, 1);
      if (at < 1 || count < 0 || at - 1 + count > static_cast<LONG>(lines.size()))
        return module->Raise(L"Invalid procedure call or argument");
      lines.erase(lines.begin() + (at - 1), lines.begin() + (at - 1 + count));
      return S_OK;
    });
    module->Member(L"ReplaceLine", [this](WORD, DISPPARAMS* p, VARIANT*) {
      edits.push_back(L"ReplaceLine");
      if (failAt == L"ReplaceLine") return module->Raise(L"Can't replace the line");
      const LONG at = LongArg(p, 0);
      if (at < 1 || at > static_cast<LONG>(lines.size()) || p->rgvarg[0].vt != VT_BSTR)
        return module->Raise(L"Invalid procedure call or argument");
      lines[static_cast<size_t>(at - 1)] = std::wstring(p->rgvarg[0].bstrVal, SysStringLen(p->rgvarg[0].bstrVal));
      return S_OK;
    });
    module->Member(L"Parent", [this](WORD, DISPPARAMS*, VARIANT* r) {
      return withProject ? ReturnObject(r, component.get()) : DISP_E_MEMBERNOTFOUND;
    });
    component->Member(L"Collection", [this](WORD, DISPPARAMS*, VARIANT* r) {
      return ReturnObject(r, components.get());
    });
    components->Member(L"Parent", [this](WORD, DISPPARAMS*, VARIANT* r) { return ReturnObject(r, project.get()); });
    project->Member(L"Mode", [this](WORD, DISPPARAMS*, VARIANT* r) { return ReturnLong(r, mode); });
    project->Member(L"Protection", [this](WORD, DISPPARAMS*, VARIANT* r) { return ReturnLong(r, protection); });
  }

  void Caret(LONG line, LONG column) {
    selection[0] = selection[2] = line;
    selection[1] = selection[3] = column;
  }
};

// Whether the clipboard's Unicode text is `expected` whole, NULs included,
// followed by its terminator.
inline bool ClipboardHolds(const std::wstring& expected) {
  if (!OpenClipboard(nullptr)) return false;
  bool same = false;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
      const size_t n = GlobalSize(h) / sizeof(wchar_t);
      same = n > expected.size() && std::wstring(p, expected.size()) == expected && p[expected.size()] == 0;
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return same;
}

inline bool PutOnClipboard(const std::wstring& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  auto* p = static_cast<wchar_t*>(GlobalLock(m));
  std::copy(text.begin(), text.end(), p);
  p[text.size()] = 0;
  GlobalUnlock(m);
  const bool ok = SetClipboardData(CF_UNICODETEXT, m) != nullptr;
  CloseClipboard();
  return ok;
}

}  // namespace quillstone_testing
