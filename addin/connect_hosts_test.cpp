// Connect in the VBA editor and on the code window's menus: a fake host
// that offers only what the IDE it stands for offers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "addin/connect.h"

namespace brindle {
namespace {

struct Host;
struct Bar;

struct Button : CommandBarControl, HostObject, CommandBarEvents, std::enable_shared_from_this<Button> {
  Host& host;
  Bar* bar;
  int32_t id = 0;
  std::u16string caption, tag;
  bool beginGroup = false;
  std::shared_ptr<Bar> menu;  // a pop-up's
  std::map<uint32_t, CommandBarEventsSink*> sinks;
  uint32_t next = 1;
  Button(Host& h, Bar* b) : host(h), bar(b) {}

  Status SetCaption(std::u16string_view c) override { return caption = c, Status::Ok(); }
  Status Delete() override;
  Status SetTag(std::u16string_view t) override { return tag = t, Status::Ok(); }
  Status GetTag(std::u16string& out) override { return out = tag, Status::Ok(); }
  Status SetBeginGroup(bool b) override { return beginGroup = b, Status::Ok(); }
  Status GetCommandBar(std::shared_ptr<CommandBar>& out) override;
  Status GetClickEvents(std::shared_ptr<CommandBarEvents>& out) override;
  Status AsVBE(std::shared_ptr<VBE>&) override { return Status::Fail(u"no", Status::kNoInterface); }
  Status AsCommandBarControl(std::shared_ptr<CommandBarControl>& out) override {
    return out = shared_from_this(), Status::Ok();
  }
  Status Advise(CommandBarEventsSink& sink, uint32_t& cookie) override {
    return sinks[cookie = next++] = &sink, Status::Ok();
  }
  Status Unadvise(uint32_t cookie) override {
    return sinks.erase(cookie) ? Status::Ok() : Status::Fail(u"not advised");
  }
};

struct Bar : CommandBar, CommandBarControls {
  Host& host;
  std::u16string name;
  std::vector<std::shared_ptr<Button>> controls;
  Bar(Host& h, std::u16string n) : host(h), name(std::move(n)) {}
  Status Controls(std::shared_ptr<CommandBarControls>& out) override {
    return out = std::shared_ptr<CommandBarControls>(std::shared_ptr<Bar>(), this), Status::Ok();
  }
  Status Add(int16_t type, std::shared_ptr<HostObject>& out) override {
    if (type != kControlButton) return Status::Fail(u"bad type");
    auto b = std::make_shared<Button>(host, this);
    controls.push_back(b);
    return out = b, Status::Ok();
  }
  Status FindControl(int32_t id, std::shared_ptr<CommandBarControl>& out) override {
    for (auto& c : controls)
      if (c->id == id) return out = c, Status::Ok();
    return Status::Ok();
  }
  std::vector<std::u16string> Captions() const {
    std::vector<std::u16string> v;
    for (auto& c : controls) v.push_back(c->caption);
    return v;
  }
};

Status Button::Delete() {
  auto& v = bar->controls;
  auto it = std::find_if(v.begin(), v.end(), [&](auto& p) { return p.get() == this; });
  if (it == v.end()) return Status::Fail(u"gone");
  v.erase(it);
  return Status::Ok();
}

// A VB6 click source made by the events object for one control.
struct Vb6Source : CommandBarEvents {
  std::map<uint32_t, CommandBarEventsSink*> sinks;
  uint32_t next = 1;
  Status Advise(CommandBarEventsSink& sink, uint32_t& cookie) override {
    return sinks[cookie = next++] = &sink, Status::Ok();
  }
  Status Unadvise(uint32_t cookie) override {
    return sinks.erase(cookie) ? Status::Ok() : Status::Fail(u"not advised");
  }
};

struct Host : VBE, CommandBars, Events, HostObject, std::enable_shared_from_this<Host> {
  HostKind kind;
  bool eventsRead = false;
  std::map<std::u16string, std::shared_ptr<Bar>> bars;
  std::map<CommandBarControl*, std::shared_ptr<Vb6Source>> vb6Sources;
  explicit Host(HostKind k) : kind(k) {}

  std::shared_ptr<Bar> AddBar(const std::u16string& name) {
    return bars[name] = std::make_shared<Bar>(*this, name);
  }
  HostKind Kind() const override { return kind; }
  Status GetCommandBars(std::shared_ptr<CommandBars>& out) override {
    return out = std::shared_ptr<CommandBars>(shared_from_this(), this), Status::Ok();
  }
  Status GetEvents(std::shared_ptr<Events>& out) override {
    eventsRead = true;
    if (kind == HostKind::kVba) return Status::Fail(u"the host went down");
    return out = std::shared_ptr<Events>(shared_from_this(), this), Status::Ok();
  }
  Status Item(std::u16string_view name, std::shared_ptr<CommandBar>& out) override {
    auto it = bars.find(std::u16string(name));
    if (it == bars.end()) return Status::Fail(u"Invalid procedure call or argument");
    return out = it->second, Status::Ok();
  }
  Status GetCommandBarEvents(const std::shared_ptr<CommandBarControl>& control,
                             std::shared_ptr<CommandBarEvents>& out) override {
    auto s = std::make_shared<Vb6Source>();
    vb6Sources[control.get()] = s;
    return out = s, Status::Ok();
  }
  Status AsVBE(std::shared_ptr<VBE>& out) override { return out = shared_from_this(), Status::Ok(); }
  Status AsCommandBarControl(std::shared_ptr<CommandBarControl>&) override {
    return Status::Fail(u"no", Status::kNoInterface);
  }

  // A click on `button`: VB6 raises it on the control's own source; Office
  // on every button that shares its Tag, an empty one included.
  void Click(const std::shared_ptr<Button>& button) {
    int16_t handled = 0, cancel = 0;
    if (kind == HostKind::kVb6) {
      auto sinks = vb6Sources.at(button.get())->sinks;
      for (auto& [c, s] : sinks) s->Click(button, handled, cancel);
      return;
    }
    std::vector<std::shared_ptr<Button>> all;
    for (auto& [n, bar] : bars) {
      for (auto& c : bar->controls) {
        all.push_back(c);
        if (c->menu)
          for (auto& m : c->menu->controls) all.push_back(m);
      }
    }
    for (auto& b : all) {
      if (b->tag != button->tag) continue;
      auto sinks = b->sinks;
      for (auto& [c, s] : sinks) s->Click(button, handled, cancel);
    }
  }
};

Status Button::GetCommandBar(std::shared_ptr<CommandBar>& out) {
  if (!menu) return Status::Fail(u"not a pop-up");
  return out = menu, Status::Ok();
}

Status Button::GetClickEvents(std::shared_ptr<CommandBarEvents>& out) {
  if (host.kind != HostKind::kVba) return NoSuchMember();  // VB6's bars have no Click
  return out = shared_from_this(), Status::Ok();
}

struct CountingHub : Hub {
  int& shows;
  explicit CountingHub(int& s) : shows(s) {}
  Status Show() override { return ++shows, Status::Ok(); }
  Status Hide() override { return Status::Ok(); }
  Status Unload() override { return Status::Ok(); }
  bool IsLoaded() const override { return true; }
};
struct Hubs : HubFactory {
  int shows = 0;
  Status Create(std::unique_ptr<Hub>& out) override {
    return out = std::make_unique<CountingHub>(shows), Status::Ok();
  }
};
struct NoSettings : SettingsStore {
  Status GetSetting(std::u16string_view, std::u16string_view, std::u16string_view,
                    std::u16string_view f, std::u16string& out) override {
    return out = f, Status::Ok();
  }
  Status SaveSetting(std::u16string_view, std::u16string_view, std::u16string_view,
                     std::u16string_view) override {
    return Status::Ok();
  }
};
struct Box : MsgBox {
  std::vector<std::u16string> texts;
  void Show(std::u16string_view t) override { texts.emplace_back(t); }
};
struct Runner : CodeCommandRunner {
  std::vector<CodeCommand> ran;
  void Run(CodeCommand c, VBE&) noexcept override { ran.push_back(c); }
};

class HostsTest : public ::testing::Test {
 protected:
  Hubs hubs;
  NoSettings settings;
  Box box;
  Runner runner;
  Connect connect{hubs, settings, box, &runner};

  // The VBA editor, with an "Add-Ins" bar or with only the menu bar's
  // Add-Ins pop-up, and both code window menus.
  std::shared_ptr<Host> Vba(bool addInsBar) {
    auto h = std::make_shared<Host>(HostKind::kVba);
    auto menuBar = h->AddBar(u"Menu Bar");
    std::shared_ptr<HostObject> o;
    menuBar->Add(kControlButton, o);  // "File", whose Tag is empty
    menuBar->Add(kControlButton, o);
    menuBar->controls.back()->id = kAddInsMenuId;
    menuBar->controls.back()->menu = std::make_shared<Bar>(*h, u"(Add-Ins menu)");
    if (addInsBar) h->AddBar(u"Add-Ins");
    h->AddBar(u"Code Window");
    h->AddBar(u"Code Window (Break)");
    return h;
  }
  Bar& AddInsMenu(Host& h) {
    return h.bars.count(u"Add-Ins") ? *h.bars[u"Add-Ins"] : *h.bars[u"Menu Bar"]->controls[1]->menu;
  }
};

TEST_F(HostsTest, VbaWithoutAddInsBarUsesTheMenuBarsPopupAndTheButtonsOwnClick) {
  auto h = Vba(false);
  connect.Designer().OnConnection(h, kConnectStartup, nullptr, nullptr);
  EXPECT_THAT(box.texts, ::testing::IsEmpty());
  EXPECT_FALSE(h->eventsRead);
  Bar& menu = AddInsMenu(*h);
  ASSERT_EQ(menu.controls.size(), 1u);
  auto item = menu.controls[0];
  EXPECT_EQ(item->caption, u"My AddIn");
  EXPECT_FALSE(item->tag.empty());
  EXPECT_EQ(item->sinks.size(), 1u);

  // A click on another button that shares no Tag reaches nobody; clicking
  // a button with an empty Tag does not show the hub either.
  h->Click(h->bars[u"Menu Bar"]->controls[0]);
  EXPECT_EQ(hubs.shows, 0);
  h->Click(item);
  EXPECT_EQ(hubs.shows, 1);

  connect.Designer().OnDisconnection(0, nullptr);
  EXPECT_TRUE(menu.controls.empty());
  EXPECT_TRUE(h->bars[u"Code Window"]->controls.empty());
  EXPECT_TRUE(h->bars[u"Code Window (Break)"]->controls.empty());
  EXPECT_FALSE(h->eventsRead);
}

TEST_F(HostsTest, VbaWithAddInsBarPutsTheItemThere) {
  auto h = Vba(true);
  connect.Designer().OnConnection(h, kConnectAfterStartup, nullptr, nullptr);
  EXPECT_THAT(h->bars[u"Add-Ins"]->Captions(), ::testing::ElementsAre(u"My AddIn"));
  EXPECT_TRUE(h->bars[u"Menu Bar"]->controls[1]->menu->controls.empty());
  h->Click(h->bars[u"Add-Ins"]->controls[0]);
  EXPECT_EQ(hubs.shows, 1);
  EXPECT_FALSE(h->eventsRead);
}

TEST_F(HostsTest, CodeWindowButtonsHaveUniqueTagsAndRunTheirCommandOnce) {
  auto h = Vba(false);
  connect.Designer().OnConnection(h, kConnectStartup, nullptr, nullptr);
  std::set<std::u16string> tags{AddInsMenu(*h).controls[0]->tag};
  for (const char16_t* name : {u"Code Window", u"Code Window (Break)"}) {
    Bar& bar = *h->bars[name];
    EXPECT_THAT(bar.Captions(), ::testing::ElementsAre(u"Paste as VB String", u"Paste as VB Statements...",
                                                       u"Copy String as Text"));
    EXPECT_TRUE(bar.controls[0]->beginGroup);
    EXPECT_FALSE(bar.controls[1]->beginGroup);
    EXPECT_FALSE(bar.controls[2]->beginGroup);
    for (auto& c : bar.controls) {
      EXPECT_FALSE(c->tag.empty());
      EXPECT_TRUE(tags.insert(c->tag).second);
    }
  }
  EXPECT_EQ(connect.CodeWindowButtons(), 6u);
  h->Click(h->bars[u"Code Window"]->controls[1]);
  h->Click(h->bars[u"Code Window (Break)"]->controls[2]);
  EXPECT_THAT(runner.ran, ::testing::ElementsAre(CodeCommand::kPasteStatements, CodeCommand::kCopyText));
  EXPECT_EQ(hubs.shows, 0);
}

TEST_F(HostsTest, AClickRaisedOnOurButtonForAnotherControlIsIgnored) {
  // Office raises one button's Click on others (every parent menu, every
  // button sharing a Tag): only the control's own Tag says it is ours.
  auto h = Vba(false);
  connect.Designer().OnConnection(h, kConnectStartup, nullptr, nullptr);
  auto ours = h->bars[u"Code Window"]->controls[0];
  auto item = AddInsMenu(*h).controls[0];
  auto file = h->bars[u"Menu Bar"]->controls[0];
  int16_t handled = 0, cancel = 0;
  for (auto* target : {ours.get(), item.get()}) {
    auto sinks = target->sinks;
    for (auto& [c, sink] : sinks) sink->Click(file, handled, cancel);
    for (auto& [c, sink] : sinks) sink->Click(nullptr, handled, cancel);
  }
  EXPECT_THAT(runner.ran, ::testing::IsEmpty());
  EXPECT_EQ(hubs.shows, 0);
  h->Click(ours);
  EXPECT_THAT(runner.ran, ::testing::ElementsAre(CodeCommand::kPasteString));
}

TEST_F(HostsTest, Vb6GetsCodeWindowButtonsThroughItsEventsObject) {
  auto h = std::make_shared<Host>(HostKind::kVb6);
  h->AddBar(u"Add-Ins");
  h->AddBar(u"Code Window");  // no break-mode bar here
  connect.Designer().OnConnection(h, kConnectStartup, nullptr, nullptr);
  auto item = h->bars[u"Add-Ins"]->controls.at(0);
  EXPECT_EQ(item->caption, u"My AddIn");
  EXPECT_TRUE(item->tag.empty());  // VB6's item is as it always was
  EXPECT_EQ(connect.CodeWindowButtons(), 3u);
  h->Click(item);
  EXPECT_EQ(hubs.shows, 1);
  h->Click(h->bars[u"Code Window"]->controls[2]);
  EXPECT_THAT(runner.ran, ::testing::ElementsAre(CodeCommand::kCopyText));

  // Connected again without a disconnection: still one set of buttons.
  connect.Designer().OnConnection(h, kConnectStartup, nullptr, nullptr);
  EXPECT_EQ(h->bars[u"Code Window"]->controls.size(), 3u);
  connect.Designer().OnDisconnection(0, nullptr);
  EXPECT_TRUE(h->bars[u"Code Window"]->controls.empty());
  EXPECT_THAT(box.texts, ::testing::IsEmpty());
}

TEST_F(HostsTest, VbaWithoutAnyAddInsMenuStillGetsTheCodeWindowButtons) {
  auto h = std::make_shared<Host>(HostKind::kVba);
  h->AddBar(u"Code Window");
  connect.Designer().OnConnection(h, kConnectAfterStartup, nullptr, nullptr);
  EXPECT_THAT(box.texts, ::testing::IsEmpty());
  EXPECT_FALSE(h->eventsRead);
  EXPECT_EQ(connect.CodeWindowButtons(), 3u);
}

}  // namespace
}  // namespace brindle
