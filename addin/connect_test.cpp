#include "addin/connect.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "product/product.h"

namespace brindle {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A substitute host that logs every call by name and fails the one named in
// `fail_at` with the description "<name> failed".
struct World {
  std::vector<std::string> log;
  std::string fail_at;
  bool has_addins_bar = true;
  bool item_fails_for_missing_bar = false;

  Status Call(const std::string& name) {
    log.push_back(name);
    if (name == fail_at) {
      return Status::Fail(std::u16string(name.begin(), name.end()) + u" failed");
    }
    return Status::Ok();
  }
  size_t Count(const std::string& name) const {
    return static_cast<size_t>(std::count(log.begin(), log.end(), name));
  }
  bool Ran(const std::string& name) const { return Count(name) > 0; }
};

struct FakeControl : CommandBarControl, HostObject {
  World& w;
  struct FakeBar* bar;
  int16_t type;
  std::optional<std::u16string> caption;
  FakeControl(World& w, FakeBar* bar, int16_t type) : w(w), bar(bar), type(type) {}
  Status SetCaption(std::u16string_view c) override {
    Status s = w.Call("Caption");
    if (s.ok()) caption = std::u16string(c);
    return s;
  }
  Status Delete() override;
  Status AsVBE(std::shared_ptr<VBE>&) override { return Status::Fail(u"no", Status::kNoInterface); }
  Status AsCommandBarControl(std::shared_ptr<CommandBarControl>& out) override;
  std::weak_ptr<FakeControl> self;
};

struct FakeBar : CommandBar, CommandBarControls {
  World& w;
  std::vector<std::shared_ptr<FakeControl>> items;
  explicit FakeBar(World& w) : w(w) {}
  Status Controls(std::shared_ptr<CommandBarControls>& out) override {
    Status s = w.Call("Controls");
    if (s.ok()) out = std::shared_ptr<CommandBarControls>(std::shared_ptr<FakeBar>(), this);
    return s;
  }
  Status Add(int16_t type, std::shared_ptr<HostObject>& out) override {
    Status s = w.Call("Add");
    if (!s.ok()) return s;
    auto c = std::make_shared<FakeControl>(w, this, type);
    c->self = c;
    items.push_back(c);
    out = c;
    return s;
  }
};

Status FakeControl::Delete() {
  Status s = w.Call("Delete");
  if (!s.ok()) return s;
  auto& v = bar->items;
  auto it = std::find_if(v.begin(), v.end(), [&](auto& p) { return p.get() == this; });
  if (it == v.end()) return Status::Fail(u"already deleted");
  v.erase(it);
  return s;
}

Status FakeControl::AsCommandBarControl(std::shared_ptr<CommandBarControl>& out) {
  Status s = w.Call("AsControl");
  if (s.ok()) out = self.lock();
  return s;
}

struct FakeSource : CommandBarEvents {
  World& w;
  std::shared_ptr<CommandBarControl> control;
  std::map<uint32_t, CommandBarEventsSink*> sinks;
  uint32_t next = 1;
  FakeSource(World& w, std::shared_ptr<CommandBarControl> c) : w(w), control(std::move(c)) {}
  Status Advise(CommandBarEventsSink& sink, uint32_t& cookie) override {
    Status s = w.Call("Advise");
    if (s.ok()) sinks[cookie = next++] = &sink;
    return s;
  }
  Status Unadvise(uint32_t cookie) override {
    w.Call("Unadvise");
    return sinks.erase(cookie) ? Status::Ok() : Status::Fail(u"not advised");
  }
  void Fire(int16_t& handled, int16_t& cancel) {
    auto copy = sinks;
    for (auto& [c, s] : copy) s->Click(nullptr, handled, cancel);
  }
  void Fire() {
    int16_t h = 0, c = 0;
    Fire(h, c);
  }
};

struct FakeVBE : VBE, CommandBars, Events, HostObject {
  World& w;
  std::shared_ptr<FakeBar> bar;
  std::vector<std::shared_ptr<FakeSource>> sources;
  bool offers_root = true;
  explicit FakeVBE(World& w) : w(w), bar(std::make_shared<FakeBar>(w)) {}
  std::weak_ptr<FakeVBE> self;

  Status AsVBE(std::shared_ptr<VBE>& out) override {
    Status s = w.Call("AsVBE");
    if (!s.ok()) return s;
    if (!offers_root) return Status::Fail(u"Type mismatch", Status::kNoInterface);
    out = self.lock();
    return s;
  }
  Status AsCommandBarControl(std::shared_ptr<CommandBarControl>&) override {
    return Status::Fail(u"no", Status::kNoInterface);
  }
  Status GetCommandBars(std::shared_ptr<CommandBars>& out) override {
    Status s = w.Call("CommandBars");
    if (s.ok()) out = std::shared_ptr<CommandBars>(self.lock(), this);
    return s;
  }
  Status GetEvents(std::shared_ptr<Events>& out) override {
    Status s = w.Call("Events");
    if (s.ok()) out = std::shared_ptr<Events>(self.lock(), this);
    return s;
  }
  Status Item(std::u16string_view name, std::shared_ptr<CommandBar>& out) override {
    Status s = w.Call("Item");
    if (!s.ok()) return s;
    if (name == u"Add-Ins" && w.has_addins_bar) {
      out = bar;
    } else if (w.item_fails_for_missing_bar) {
      return Status::Fail(u"Invalid procedure call or argument");
    }
    return s;
  }
  Status GetCommandBarEvents(const std::shared_ptr<CommandBarControl>& control,
                             std::shared_ptr<CommandBarEvents>& out) override {
    Status s = w.Call("CommandBarEvents");
    if (!s.ok()) return s;
    auto src = std::make_shared<FakeSource>(w, control);
    sources.push_back(src);
    out = src;
    return s;
  }
  size_t Advised() const {
    size_t n = 0;
    for (auto& s : sources) n += s->sinks.size();
    return n;
  }
};

struct FakeHub : Hub {
  World& w;
  int id;
  bool loaded = false, visible = false;
  int loads = 0;
  FakeHub(World& w, int id) : w(w), id(id) {}
  void Load() {
    if (!loaded) ++loads;
    loaded = true;
  }
  Status Show() override {
    Status s = w.Call("HubShow");
    if (s.ok()) Load(), visible = true;
    return s;
  }
  Status Hide() override {
    Status s = w.Call("HubHide");
    if (s.ok()) Load(), visible = false;
    return s;
  }
  Status Unload() override {
    Status s = w.Call("HubUnload");
    if (s.ok()) loaded = visible = false;
    return s;
  }
  bool IsLoaded() const override { return loaded; }
  void CloseBox() { loaded = visible = false; }
};

struct Hubs : HubFactory {
  World& w;
  std::vector<FakeHub*> live;  // hubs not yet destroyed, by creation
  int created = 0;
  explicit Hubs(World& w) : w(w) {}
  struct Tracked : FakeHub {
    Hubs& owner;
    Tracked(Hubs& o, int id) : FakeHub(o.w, id), owner(o) {}
    ~Tracked() override { std::erase(owner.live, this); }
  };
  Status Create(std::unique_ptr<Hub>& out) override {
    Status s = w.Call("HubCreate");
    if (!s.ok()) return s;
    auto h = std::make_unique<Tracked>(*this, ++created);
    live.push_back(h.get());
    out = std::move(h);
    return s;
  }
  FakeHub* Current() const { return live.empty() ? nullptr : live.back(); }
  bool AnyShown() const {
    return std::any_of(live.begin(), live.end(), [](FakeHub* h) { return h->visible; });
  }
};

struct Store : SettingsStore {
  World& w;
  std::map<std::u16string, std::u16string> values;  // app\section\key
  std::vector<std::u16string> saved;
  explicit Store(World& w) : w(w) {}
  static std::u16string Path(std::u16string_view a, std::u16string_view s, std::u16string_view k) {
    return std::u16string(a) + u"\\" + std::u16string(s) + u"\\" + std::u16string(k);
  }
  Status GetSetting(std::u16string_view a, std::u16string_view s, std::u16string_view k,
                    std::u16string_view fallback, std::u16string& out) override {
    Status st = w.Call("GetSetting");
    if (!st.ok()) return st;
    auto it = values.find(Path(a, s, k));
    out = it == values.end() ? std::u16string(fallback) : it->second;
    return st;
  }
  Status SaveSetting(std::u16string_view a, std::u16string_view s, std::u16string_view k,
                     std::u16string_view v) override {
    Status st = w.Call("SaveSetting");
    if (!st.ok()) return st;
    values[Path(a, s, k)] = std::u16string(v);
    saved.emplace_back(v);
    return st;
  }
  void Stored(std::u16string v) { values[Path(kAppTitle, u"Settings", u"DisplayOnConnect")] = std::move(v); }
};

struct Box : MsgBox {
  std::vector<std::u16string> texts;
  void Show(std::u16string_view t) override { texts.emplace_back(t); }
};

class ConnectTest : public ::testing::Test {
 protected:
  World w;
  std::shared_ptr<FakeVBE> host = Make(w);
  Hubs hubs{w};
  Store store{w};
  Box box;
  Connect connect{hubs, store, box};

  static std::shared_ptr<FakeVBE> Make(World& w) {
    auto h = std::make_shared<FakeVBE>(w);
    h->self = h;
    return h;
  }
  void OnConnection(int32_t mode) { connect.Designer().OnConnection(host, mode, nullptr, nullptr); }
  void OnDisconnection() { connect.Designer().OnDisconnection(0, nullptr); }
  std::vector<std::shared_ptr<FakeControl>>& Items() { return host->bar->items; }
  void Click() {
    ASSERT_FALSE(host->sources.empty());
    host->sources.back()->Fire();
  }
};

TEST_F(ConnectTest, AfterStartupAddsOneSubscribedButtonAndCallsHostInOrder) {
  OnConnection(kConnectAfterStartup);
  EXPECT_THAT(w.log, ElementsAre("AsVBE", "CommandBars", "Item", "Controls", "Add", "AsControl",
                                 "Caption", "Events", "CommandBarEvents", "Advise", "GetSetting"));
  ASSERT_EQ(Items().size(), 1u);
  EXPECT_EQ(Items()[0]->type, kControlButton);
  EXPECT_EQ(Items()[0]->caption, u"My AddIn");
  // The event source was asked for the very control that was added.
  EXPECT_EQ(host->sources.back()->control.get(), static_cast<CommandBarControl*>(Items()[0].get()));
  EXPECT_EQ(host->Advised(), 1u);
  EXPECT_EQ(connect.VBInstance.get(), static_cast<VBE*>(host.get()));
  EXPECT_EQ(connect.FormDisplayed, 0);
  EXPECT_EQ(hubs.created, 0);
  EXPECT_THAT(box.texts, IsEmpty());
}

TEST_F(ConnectTest, StoredOneShowsHubOnlyAfterStartup) {
  for (int32_t mode : {kConnectStartup, kConnectCommandLine, 7, -1}) {
    World w2;
    auto h = Make(w2);
    Hubs hb{w2};
    Store st{w2};
    st.Stored(u"1");
    Box bx;
    Connect c{hb, st, bx};
    c.Designer().OnConnection(h, mode, nullptr, nullptr);
    EXPECT_EQ(h->bar->items.size(), 1u) << mode;
    EXPECT_EQ(h->Advised(), 1u) << mode;
    EXPECT_FALSE(w2.Ran("GetSetting")) << mode;
    EXPECT_EQ(hb.created, 0) << mode;
    EXPECT_EQ(c.FormDisplayed, 0) << mode;
  }
  store.Stored(u"1");
  OnConnection(kConnectAfterStartup);
  ASSERT_NE(hubs.Current(), nullptr);
  EXPECT_TRUE(hubs.Current()->visible);
  EXPECT_EQ(connect.FormDisplayed, -1);
  EXPECT_EQ(Items().size(), 1u);
}

TEST_F(ConnectTest, OnlyExactlyOneCountsAsDisplayed) {
  for (const char16_t* stored : {u" 1", u"01", u"True", u"-1", u"1 ", u"", u"0"}) {
    World w2;
    auto h = Make(w2);
    Hubs hb{w2};
    Store st{w2};
    st.Stored(stored);
    Box bx;
    Connect c{hb, st, bx};
    c.Designer().OnConnection(h, kConnectAfterStartup, nullptr, nullptr);
    EXPECT_TRUE(w2.Ran("GetSetting"));
    EXPECT_FALSE(hb.AnyShown()) << std::string(stored, stored + std::char_traits<char16_t>::length(stored));
    EXPECT_EQ(c.FormDisplayed, 0);
  }
  OnConnection(kConnectAfterStartup);  // nothing stored
  EXPECT_FALSE(hubs.AnyShown());
}

TEST_F(ConnectTest, ExternalShowsHubWithoutMenuItemAndSavesOne) {
  store.Stored(u"0");
  OnConnection(kConnectExternal);
  EXPECT_THAT(w.log, ElementsAre("AsVBE", "HubCreate", "HubShow"));
  EXPECT_TRUE(Items().empty());
  EXPECT_EQ(connect.FormDisplayed, -1);
  OnDisconnection();
  EXPECT_THAT(store.saved, ElementsAre(u"1"));
  EXPECT_EQ(connect.FormDisplayed, 0);
  EXPECT_THAT(box.texts, IsEmpty());
  EXPECT_EQ(hubs.Current(), nullptr);  // the hub was released
}

TEST_F(ConnectTest, HostWithoutAddInsBar) {
  w.has_addins_bar = false;
  store.Stored(u"1");
  OnConnection(kConnectAfterStartup);
  EXPECT_FALSE(w.Ran("Add"));
  EXPECT_TRUE(Items().empty());
  // The host's answer for a control of nothing is used as it comes.
  ASSERT_EQ(host->sources.size(), 1u);
  EXPECT_EQ(host->sources[0]->control, nullptr);
  EXPECT_TRUE(hubs.AnyShown());
  OnDisconnection();  // deleting nothing fails silently
  EXPECT_FALSE(w.Ran("Delete"));
  EXPECT_THAT(store.saved, ElementsAre(u"1"));
  EXPECT_THAT(box.texts, IsEmpty());
}

TEST_F(ConnectTest, HostWithoutAddInsBarThatRefusesNothing) {
  w.has_addins_bar = false;
  w.item_fails_for_missing_bar = true;  // the lookup itself fails: same outcome
  w.fail_at = "CommandBarEvents";
  store.Stored(u"1");
  OnConnection(kConnectAfterStartup);
  EXPECT_THAT(box.texts, ElementsAre(u"CommandBarEvents failed"));
  EXPECT_FALSE(w.Ran("GetSetting"));
  EXPECT_FALSE(hubs.AnyShown());
  EXPECT_EQ(connect.GetMenuHandler(), nullptr);
}

TEST_F(ConnectTest, RootObjectMissingIsReported) {
  host->offers_root = false;
  OnConnection(kConnectAfterStartup);
  EXPECT_THAT(box.texts, ElementsAre(u"Type mismatch"));
  EXPECT_THAT(w.log, ElementsAre("AsVBE"));
  EXPECT_EQ(connect.VBInstance, nullptr);
  connect.Designer().OnConnection(nullptr, kConnectAfterStartup, nullptr, nullptr);
  EXPECT_EQ(box.texts.size(), 2u);
}

TEST_F(ConnectTest, DisconnectSavesWhetherShownThroughShow) {
  OnConnection(kConnectStartup);
  Click();
  ASSERT_TRUE(hubs.AnyShown());
  OnDisconnection();
  EXPECT_TRUE(Items().empty());
  EXPECT_THAT(store.saved, ElementsAre(u"1"));
  EXPECT_EQ(connect.FormDisplayed, 0);
  EXPECT_EQ(hubs.Current(), nullptr);
  // MenuHandler and VBInstance stay.
  EXPECT_NE(connect.GetMenuHandler(), nullptr);
  EXPECT_NE(connect.VBInstance, nullptr);

  OnConnection(kConnectStartup);
  Click();
  connect.Hide();
  EXPECT_EQ(connect.FormDisplayed, 0);
  ASSERT_NE(hubs.Current(), nullptr);
  EXPECT_TRUE(hubs.Current()->loaded);  // hidden, not unloaded
  OnDisconnection();
  EXPECT_THAT(store.saved, ElementsAre(u"1", u"0"));
}

TEST_F(ConnectTest, HubClosedByCloseBoxStillCountsAsDisplayed) {
  OnConnection(kConnectStartup);
  Click();
  hubs.Current()->CloseBox();
  EXPECT_EQ(connect.FormDisplayed, -1);
  OnDisconnection();
  EXPECT_THAT(store.saved, ElementsAre(u"1"));
}

TEST_F(ConnectTest, NeverShownSavesZeroAndShowsNothing) {
  OnConnection(kConnectAfterStartup);
  OnDisconnection();
  EXPECT_THAT(store.saved, ElementsAre(u"0"));
  EXPECT_FALSE(w.Ran("HubShow"));
  EXPECT_EQ(hubs.Current(), nullptr);
}

TEST_F(ConnectTest, HideBeforeAnyShowLoadsHubHidden) {
  connect.Hide();
  ASSERT_NE(hubs.Current(), nullptr);
  EXPECT_TRUE(hubs.Current()->loaded);
  EXPECT_FALSE(hubs.Current()->visible);
  EXPECT_EQ(connect.FormDisplayed, 0);
}

TEST_F(ConnectTest, ReconnectLeavesOneItemAndMakesNewHub) {
  OnConnection(kConnectAfterStartup);
  Click();
  OnDisconnection();
  OnConnection(kConnectStartup);
  ASSERT_EQ(Items().size(), 1u);
  EXPECT_EQ(Items()[0]->caption, u"My AddIn");
  // The old source no longer delivers to us; the new one does.
  EXPECT_EQ(host->Advised(), 1u);
  EXPECT_TRUE(host->sources[0]->sinks.empty());
  int before = hubs.created;
  Click();
  EXPECT_EQ(hubs.created, before + 1);
  EXPECT_TRUE(hubs.AnyShown());
}

TEST_F(ConnectTest, ClicksKeepOneHub) {
  OnConnection(kConnectStartup);
  int16_t handled = 0, cancel = -1;
  host->sources.back()->Fire(handled, cancel);
  host->sources.back()->Fire(handled, cancel);
  EXPECT_EQ(hubs.created, 1);
  EXPECT_EQ(hubs.live.size(), 1u);
  EXPECT_TRUE(hubs.Current()->visible);
  EXPECT_EQ(connect.FormDisplayed, -1);
  EXPECT_EQ(handled, 0);
  EXPECT_EQ(cancel, -1);

  hubs.Current()->CloseBox();
  Click();
  EXPECT_EQ(hubs.created, 1);  // same object, fresh window
  EXPECT_TRUE(hubs.Current()->visible);
  EXPECT_EQ(hubs.Current()->loads, 2);
}

TEST_F(ConnectTest, AddToAddInCommandBarUsesCaptionUnchanged) {
  connect.VBInstance = host;
  auto a = connect.AddToAddInCommandBar(u"&Tools");
  auto b = connect.AddToAddInCommandBar(u"&Tools");
  ASSERT_EQ(Items().size(), 2u);
  EXPECT_EQ(a.get(), static_cast<CommandBarControl*>(Items()[0].get()));
  EXPECT_EQ(b.get(), static_cast<CommandBarControl*>(Items()[1].get()));
  EXPECT_EQ(Items()[1]->caption, u"&Tools");
  Connect fresh{hubs, store, box};
  EXPECT_EQ(fresh.AddToAddInCommandBar(u"x"), nullptr);  // no root yet
}

TEST_F(ConnectTest, ReassigningMenuHandlerMovesSubscription) {
  auto a = std::make_shared<FakeSource>(w, nullptr);
  auto b = std::make_shared<FakeSource>(w, nullptr);
  ASSERT_TRUE(connect.SetMenuHandler(a).ok());
  ASSERT_TRUE(connect.SetMenuHandler(b).ok());
  EXPECT_TRUE(a->sinks.empty());
  EXPECT_EQ(b->sinks.size(), 1u);
  w.fail_at = "Advise";
  auto c = std::make_shared<FakeSource>(w, nullptr);
  EXPECT_EQ(connect.SetMenuHandler(c).description, u"Advise failed");
  EXPECT_EQ(connect.GetMenuHandler(), nullptr);
  EXPECT_TRUE(b->sinks.empty());
}

TEST_F(ConnectTest, EndingConnectEndsSubscription) {
  auto a = std::make_shared<FakeSource>(w, nullptr);
  {
    Connect c{hubs, store, box};
    ASSERT_TRUE(c.SetMenuHandler(a).ok());
  }
  EXPECT_TRUE(a->sinks.empty());
}

// A failure injected at each call of a mode-0 connection with "1" stored.
struct ConnectFailure {
  const char* at;
  const char16_t* message;  // nullptr: nothing reported
  size_t items_left;        // on the bar after connection and disconnection
  bool hub_shown;           // after connection
  bool subscribed;
  const char16_t* saved = hub_shown ? u"1" : u"0";  // at disconnection
};

class ConnectFailureTest : public ConnectTest,
                           public ::testing::WithParamInterface<ConnectFailure> {};

TEST_P(ConnectFailureTest, ConnectionStopsOrGoesOnAsItShould) {
  const ConnectFailure& f = GetParam();
  store.Stored(u"1");
  w.fail_at = f.at;
  OnConnection(kConnectAfterStartup);
  if (f.message) {
    EXPECT_THAT(box.texts, ElementsAre(f.message));
  } else {
    EXPECT_THAT(box.texts, IsEmpty());
  }
  EXPECT_EQ(hubs.AnyShown(), f.hub_shown);
  EXPECT_EQ(host->Advised(), f.subscribed ? 1u : 0u);
  // A message box means every later step was skipped.
  if (f.message) {
    auto at = std::find(w.log.begin(), w.log.end(), f.at);
    EXPECT_EQ(at + 1, w.log.end());
  }

  w.fail_at.clear();
  OnDisconnection();
  EXPECT_EQ(Items().size(), f.items_left);
  EXPECT_THAT(store.saved, ElementsAre(std::u16string(f.saved)));
  EXPECT_EQ(box.texts.size(), f.message ? 1u : 0u);  // disconnection reports nothing
}

INSTANTIATE_TEST_SUITE_P(
    EachHostCall, ConnectFailureTest,
    ::testing::Values(
        ConnectFailure{"AsVBE", u"AsVBE failed", 0, false, false},
        // Inside AddToAddInCommandBar: silent, nothing returned, connection goes on.
        ConnectFailure{"CommandBars", nullptr, 0, true, true},
        ConnectFailure{"Item", nullptr, 0, true, true},
        ConnectFailure{"Controls", nullptr, 0, true, true},
        ConnectFailure{"Add", nullptr, 0, true, true},
        // Added but not returned: it stays on the bar after disconnection.
        ConnectFailure{"AsControl", nullptr, 1, true, true},
        ConnectFailure{"Caption", nullptr, 1, true, true},
        // After the item was added: it stays until disconnection deletes it.
        ConnectFailure{"Events", u"Events failed", 0, false, false},
        ConnectFailure{"CommandBarEvents", u"CommandBarEvents failed", 0, false, false},
        ConnectFailure{"Advise", u"Advise failed", 0, false, false},
        ConnectFailure{"GetSetting", u"GetSetting failed", 0, false, true},
        // Show ignores its own failures and still records the hub as shown.
        ConnectFailure{"HubCreate", nullptr, 0, false, true, u"1"},
        ConnectFailure{"HubShow", nullptr, 0, false, true, u"1"}),
    [](const auto& info) { return std::string(info.param.at); });

TEST_F(ConnectTest, CaptionFailureLeavesUncaptionedItem) {
  w.fail_at = "Caption";
  OnConnection(kConnectStartup);
  ASSERT_EQ(Items().size(), 1u);
  EXPECT_FALSE(Items()[0]->caption.has_value());
  // The event source was asked about nothing, since nothing was returned.
  EXPECT_EQ(host->sources.back()->control, nullptr);
}

TEST_F(ConnectTest, ItemAddedBeforeFailureStaysOnBar) {
  w.fail_at = "Events";
  OnConnection(kConnectStartup);
  EXPECT_EQ(Items().size(), 1u);
  EXPECT_THAT(box.texts, ElementsAre(u"Events failed"));
}

TEST_F(ConnectTest, DisconnectionStepsRunPastFailures) {
  for (const char* at : {"Delete", "SaveSetting", "HubUnload"}) {
    World w2;
    auto h = Make(w2);
    Hubs hb{w2};
    Store st{w2};
    Box bx;
    Connect c{hb, st, bx};
    c.Designer().OnConnection(h, kConnectStartup, nullptr, nullptr);
    h->sources.back()->Fire();
    w2.fail_at = at;
    w2.log.clear();
    c.Designer().OnDisconnection(0, nullptr);
    EXPECT_THAT(w2.log, ElementsAre("Delete", "SaveSetting", "HubUnload")) << at;
    EXPECT_EQ(c.FormDisplayed, 0) << at;   // cleared even when the save failed
    EXPECT_TRUE(hb.live.empty()) << at;    // released even when unloading failed
    EXPECT_THAT(bx.texts, IsEmpty()) << at;
    EXPECT_EQ(h->bar->items.size(), std::string(at) == "Delete" ? 1u : 0u) << at;
  }
}

TEST_F(ConnectTest, ShowRetriesHubCreationAndStillSetsFlag) {
  w.fail_at = "HubCreate";
  connect.Show();
  EXPECT_EQ(connect.FormDisplayed, -1);
  // The second use of the still empty hub field tries again.
  EXPECT_EQ(w.Count("HubCreate"), 2u);
  EXPECT_FALSE(w.Ran("HubShow"));
  w.fail_at.clear();
  connect.Show();
  EXPECT_TRUE(hubs.AnyShown());
}

}  // namespace
}  // namespace brindle
