// A substitute for Office's VBA editor, made of late-bound COM objects: it
// answers only the VBA editor's root interface id, fails when `Events` is
// read, finds its bars by name ("Add-Ins" only when asked to have one), has
// the Add-Ins pop-up (id 30038) on "Menu Bar", and raises an Office
// button's Click, through the button's own connection point, on every
// button that shares the clicked one's Tag. Windows only, for tests.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <string>
#include <vector>

#include "addin/quillstone.h"
#include "addin/substitute_code_pane.h"
#include "addin/substitute_host.h"

namespace quillstone_testing {

struct VbaIde;

// An Office command-bar control: button or pop-up.
class VbaButton final : public EventSource {
 public:
  VbaButton() : EventSource(quillstone::DIID_CommandBarButtonEvents, {quillstone::IID_CommandBarControl}) {}

  std::wstring caption, tag;
  bool beginGroup = false;
  bool officeClick = true;  // VB6's command bars have no Click of their own
  LONG id = 1;
  Ref<IDispatch> menu;  // a pop-up's command bar

 protected:
  bool Offers() const override { return officeClick; }
};

// A command bar and its controls collection in one.
struct VbaBar {
  std::wstring name;
  bool officeClick = true;
  Ref<Obj> bar{new Obj(), false};
  Ref<Obj> items{new Obj(), false};
  std::vector<Ref<VbaButton>> controls;

  explicit VbaBar(std::wstring n) : name(std::move(n)) {
    bar->Member(L"Controls", [this](WORD, DISPPARAMS*, VARIANT* r) { return ReturnObject(r, items.get()); });
    bar->Member(L"Name", [this](WORD, DISPPARAMS*, VARIANT* r) {
      VariantInit(r);
      r->vt = VT_BSTR;
      r->bstrVal = SysAllocString(name.c_str());
      return S_OK;
    });
    // FindControl(Type, Id, Tag, Visible, Recursive): by Id only.
    bar->Member(L"FindControl", [this](WORD, DISPPARAMS* p, VARIANT* r) {
      if (p->cArgs < 2 || p->rgvarg[p->cArgs - 2].vt != VT_I4) return DISP_E_TYPEMISMATCH;
      const LONG id = p->rgvarg[p->cArgs - 2].lVal;
      for (auto& c : controls)
        if (c->id == id) return ReturnObject(r, static_cast<Obj*>(c.get()));
      return ReturnObject(r, nullptr);
    });
    items->Member(L"Add", [this](WORD, DISPPARAMS* p, VARIANT* r) {
      if (p->cArgs < 1 || p->rgvarg[p->cArgs - 1].vt != VT_I2 || p->rgvarg[p->cArgs - 1].iVal != 1)
        return DISP_E_TYPEMISMATCH;
      return ReturnObject(r, static_cast<Obj*>(Add().get()));
    });
  }

  Ref<VbaButton> Add() {
    Ref<VbaButton> b(new VbaButton(), false);
    VbaButton* self = b.get();
    self->officeClick = officeClick;
    self->Member(L"Caption", [self](WORD flags, DISPPARAMS* p, VARIANT*) {
      if (!(flags & DISPATCH_PROPERTYPUT) || p->cArgs != 1 || p->rgvarg[0].vt != VT_BSTR)
        return DISP_E_TYPEMISMATCH;
      self->caption = p->rgvarg[0].bstrVal;
      return S_OK;
    });
    self->Member(L"Tag", [self](WORD flags, DISPPARAMS* p, VARIANT* r) {
      if (flags & DISPATCH_PROPERTYPUT) {
        if (p->cArgs != 1 || p->rgvarg[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        self->tag = p->rgvarg[0].bstrVal;
        return S_OK;
      }
      VariantInit(r);
      r->vt = VT_BSTR;
      r->bstrVal = SysAllocString(self->tag.c_str());
      return S_OK;
    });
    self->Member(L"BeginGroup", [self](WORD flags, DISPPARAMS* p, VARIANT*) {
      if (!(flags & DISPATCH_PROPERTYPUT) || p->cArgs != 1 || p->rgvarg[0].vt != VT_BOOL)
        return DISP_E_TYPEMISMATCH;
      self->beginGroup = p->rgvarg[0].boolVal != VARIANT_FALSE;
      return S_OK;
    });
    self->Member(L"CommandBar", [self](WORD, DISPPARAMS*, VARIANT* r) {
      return self->menu ? ReturnObject(r, self->menu.get()) : E_FAIL;
    });
    self->Member(L"Delete", [this, self](WORD, DISPPARAMS*, VARIANT*) {
      for (auto it = controls.begin(); it != controls.end(); ++it) {
        if (it->get() == self) {
          controls.erase(it);
          return S_OK;
        }
      }
      return E_FAIL;
    });
    controls.push_back(b);
    return b;
  }
  std::vector<std::wstring> Captions() const {
    std::vector<std::wstring> v;
    for (auto& c : controls) v.push_back(c->caption);
    return v;
  }
};

struct VbaIde {
  bool eventsRead = false;
  bool hasCodePane = true;
  SubstituteCodePane code;
  std::vector<std::unique_ptr<VbaBar>> bars;
  VbaBar* addInsMenu = nullptr;  // the pop-up's menu, or the "Add-Ins" bar
  Ref<Obj> root{new Obj({quillstone::IID_VBA_VBE}), false};
  Ref<Obj> commandBars{new Obj({quillstone::IID_CommandBars}), false};

  explicit VbaIde(bool withAddInsBar) {
    VbaBar& menuBar = AddBar(L"Menu Bar");
    menuBar.Add()->caption = L"&File";  // its Tag is empty
    auto popup = menuBar.Add();
    popup->caption = L"&Add-Ins";
    popup->id = 30038;
    popupMenu_ = std::make_unique<VbaBar>(L"Add-Ins");
    popup->menu = Ref<IDispatch>(popupMenu_->bar.get());
    addInsMenu = popupMenu_.get();
    if (withAddInsBar) addInsMenu = &AddBar(L"Add-Ins");
    AddBar(L"Code Window");
    AddBar(L"Code Window (Break)");

    root->Member(L"CommandBars", [this](WORD, DISPPARAMS*, VARIANT* r) {
      return ReturnObject(r, commandBars.get());
    });
    root->Member(L"ActiveCodePane", [this](WORD, DISPPARAMS*, VARIANT* r) {
      return ReturnObject(r, hasCodePane ? code.pane.get() : nullptr);
    });
    root->Member(L"Events", [this](WORD, DISPPARAMS*, VARIANT*) {
      eventsRead = true;
      return root->Raise(L"Method 'Events' of object 'VBE' failed");
    });
    commandBars->Member(L"Item", [this](WORD, DISPPARAMS* p, VARIANT* r) {
      if (p->cArgs != 1 || p->rgvarg[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
      if (VbaBar* bar = Bar(p->rgvarg[0].bstrVal)) return ReturnObject(r, bar->bar.get());
      return commandBars->Raise(L"Invalid procedure call or argument");
    });
  }

  VbaBar& AddBar(const std::wstring& name) {
    bars.push_back(std::make_unique<VbaBar>(name));
    return *bars.back();
  }
  // One of our buttons on a code window's menu, by caption.
  VbaButton* Button(const std::wstring& bar, const std::wstring& caption) {
    for (auto& c : Bar(bar)->controls)
      if (c->caption == caption) return c.get();
    return nullptr;
  }
  VbaBar* Bar(const std::wstring& name) {
    for (auto& b : bars)
      if (b->name == name) return b.get();
    return nullptr;
  }

  // Office raises Click(Ctrl, CancelDefault) on every button whose Tag is
  // the clicked one's.
  void Click(VbaButton* clicked) {
    std::vector<Ref<VbaButton>> all;
    for (auto& b : bars) all.insert(all.end(), b->controls.begin(), b->controls.end());
    all.insert(all.end(), popupMenu_->controls.begin(), popupMenu_->controls.end());
    for (auto& b : all) {
      if (b->tag != clicked->tag) continue;
      auto sinks = b->sinks;
      for (auto& [cookie, sink] : sinks) {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT args[2];
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        args[1].vt = VT_DISPATCH;
        args[1].pdispVal = static_cast<Obj*>(clicked);
        args[0].vt = VT_BOOL | VT_BYREF;
        args[0].pboolVal = &cancel;
        DISPPARAMS params = {args, nullptr, 2, 0};
        EXPECT_EQ(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
                  S_OK);
      }
    }
  }

 private:
  std::unique_ptr<VbaBar> popupMenu_;
};

// Loads the add-ins the way the VBA editor of this bitness does: every
// ProgID under its key of the current user with LoadBehavior 3, created
// and asked for the connection interface. The first one found is returned.
inline Ref<quillstone::_IDTExtensibility2> LoadLikeVbaEditor(std::wstring* progId = nullptr) {
  const wchar_t* key = sizeof(void*) == 8 ? L"Software\\Microsoft\\VBA\\VBE\\6.0\\Addins64"
                                          : L"Software\\Microsoft\\VBA\\VBE\\6.0\\Addins";
  Ref<quillstone::_IDTExtensibility2> addin;
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return addin;
  wchar_t name[256];
  for (DWORD i = 0; !addin; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(h, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DWORD behavior = 0, bytes = sizeof behavior;
    if (RegGetValueW(h, name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior, &bytes) != ERROR_SUCCESS ||
        behavior != 3)
      continue;
    CLSID clsid = {};
    if (FAILED(CLSIDFromProgID(name, &clsid))) continue;
    if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, quillstone::IID__IDTExtensibility2,
                                   reinterpret_cast<void**>(addin.put()))) &&
        progId)
      *progId = name;
  }
  RegCloseKey(h);
  return addin;
}

}  // namespace quillstone_testing
