// Quillstone.dll in a substitute of Office's VBA editor, loaded through COM
// as the editor loads it: registered by regsvr32, created by its
// programmatic name and connected.
#include <windows.h>
#include <oaidl.h>
#include <shlwapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "addin/quillstone.h"
#include "addin/substitute_host.h"
#include "addin/substitute_vba.h"

namespace {

using namespace quillstone_testing;
using ::testing::ElementsAre;

class VbaEditorTest : public RegisteredDll<::testing::TestWithParam<bool>> {
 protected:
  // As the editor finds it: through its add-ins key of this bitness.
  Ref<quillstone::_IDTExtensibility2> Create() {
    std::wstring progId;
    Ref<quillstone::_IDTExtensibility2> addin = LoadLikeVbaEditor(&progId);
    EXPECT_EQ(progId, quillstone::kProgId);
    return addin;
  }
};

TEST_P(VbaEditorTest, MyAddInGoesOnTheAddInsMenuAndItsClickShowsTheHub) {
  const bool withAddInsBar = GetParam();
  VbaIde ide(withAddInsBar);
  ui::MessageBoxes boxes;
  auto addin = Create();
  ASSERT_TRUE(addin);
  for (LONG mode : {1L, 0L, 3L}) {
    // No hub shown at the last disconnection, or mode 0 would show it.
    SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\BRINDLE Plus!");
    ASSERT_EQ(addin->OnConnection(ide.root.get(), mode, nullptr, nullptr), S_OK) << mode;
    EXPECT_TRUE(boxes.shown().empty()) << (boxes.shown().empty() ? "" : std::string(
        boxes.shown()[0].text.begin(), boxes.shown()[0].text.end()));
    EXPECT_FALSE(ide.eventsRead);
    ASSERT_EQ(ide.addInsMenu->Captions(), std::vector<std::wstring>{L"My AddIn"});
    VbaButton* item = ide.addInsMenu->controls[0].get();
    EXPECT_FALSE(item->tag.empty());
    EXPECT_EQ(item->sinks.size(), 1u);
    if (withAddInsBar) {
      EXPECT_TRUE(ide.Bar(L"Menu Bar")->controls[1]->menu);
    }

    // Clicking the menu bar's "File", whose Tag is empty, reaches nobody.
    ide.Click(ide.Bar(L"Menu Bar")->controls[0].get());
    EXPECT_TRUE(ShownHubs().empty());
    ide.Click(item);
    EXPECT_EQ(ShownHubs().size(), 1u);

    ASSERT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
    EXPECT_TRUE(ide.addInsMenu->controls.empty());
    EXPECT_TRUE(ShownHubs().empty());
  }
  // External: the hub at once, and no items.
  ASSERT_EQ(addin->OnConnection(ide.root.get(), 2, nullptr, nullptr), S_OK);
  EXPECT_EQ(ShownHubs().size(), 1u);
  EXPECT_TRUE(ide.addInsMenu->controls.empty());
  EXPECT_TRUE(ide.Bar(L"Code Window")->controls.empty());
  ASSERT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_FALSE(ide.eventsRead);
}

TEST_P(VbaEditorTest, CodeWindowMenusGetThreeTaggedButtonsEach) {
  VbaIde ide(GetParam());
  auto addin = Create();
  ASSERT_TRUE(addin);
  ASSERT_EQ(addin->OnConnection(ide.root.get(), 1, nullptr, nullptr), S_OK);
  std::set<std::wstring> tags{ide.addInsMenu->controls.at(0)->tag};
  for (const wchar_t* name : {L"Code Window", L"Code Window (Break)"}) {
    VbaBar* bar = ide.Bar(name);
    EXPECT_THAT(bar->Captions(), ElementsAre(L"Paste as VB String", L"Paste as VB Statements...",
                                             L"Copy String as Text"));
    ASSERT_EQ(bar->controls.size(), 3u);
    EXPECT_TRUE(bar->controls[0]->beginGroup);
    EXPECT_FALSE(bar->controls[1]->beginGroup);
    for (auto& c : bar->controls) {
      EXPECT_FALSE(c->tag.empty());
      EXPECT_TRUE(tags.insert(c->tag).second);
      EXPECT_EQ(c->sinks.size(), 1u);
    }
  }
  ASSERT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  EXPECT_TRUE(ide.Bar(L"Code Window")->controls.empty());
  EXPECT_TRUE(ide.Bar(L"Code Window (Break)")->controls.empty());
  EXPECT_FALSE(ide.eventsRead);
}

INSTANTIATE_TEST_SUITE_P(AddInsBar, VbaEditorTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Present" : "Absent"; });

}  // namespace
