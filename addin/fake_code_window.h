// A fake IDE for the code window's commands: one code pane over one
// module of lines, its project, and the clipboard, with a log of the
// edits and a failure to inject into any of them. Portable, for tests.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "addin/code_edit.h"
#include "addin/host.h"

namespace brindle::testing {

struct FakeProject : VBProject {
  int32_t mode = kModeDesign, protection = 0;
  Status Mode(int32_t& out) override { return out = mode, Status::Ok(); }
  Status Protection(int32_t& out) override { return out = protection, Status::Ok(); }
};

struct FakeModule : CodeModule {
  std::vector<std::u16string> lines;
  std::vector<std::string> edits;  // "Insert", "Delete", "Replace", in order
  std::string failAt;              // the edit that fails
  int failAfterLines = 0;          // a failing InsertLines keeps this many lines
  std::shared_ptr<FakeProject> project;

  Status CountOfLines(int32_t& out) override { return out = static_cast<int32_t>(lines.size()), Status::Ok(); }
  Status Lines(int32_t start, int32_t count, std::u16string& out) override {
    if (start < 1 || count < 0 || start - 1 + count > static_cast<int32_t>(lines.size()))
      return Status::Fail(u"Invalid procedure call or argument");
    std::vector<std::u16string> part(lines.begin() + (start - 1), lines.begin() + (start - 1 + count));
    out = JoinLines(part);
    return Status::Ok();
  }
  Status InsertLines(int32_t line, std::u16string_view text) override {
    edits.push_back("Insert");
    if (line < 1 || line > static_cast<int32_t>(lines.size()) + 1) return Status::Fail(u"bad line");
    auto added = SplitLines(text);
    if (failAt == "Insert") {
      added.resize(std::min<size_t>(added.size(), static_cast<size_t>(failAfterLines)));
      lines.insert(lines.begin() + (line - 1), added.begin(), added.end());
      return Status::Fail(u"Too many line continuations");
    }
    lines.insert(lines.begin() + (line - 1), added.begin(), added.end());
    return Status::Ok();
  }
  Status DeleteLines(int32_t start, int32_t count) override {
    edits.push_back("Delete");
    if (failAt == "Delete") {
      failAt.clear();  // once: taking back may delete again
      return Status::Fail(u"Delete failed");
    }
    if (start < 1 || count < 0 || start - 1 + count > static_cast<int32_t>(lines.size()))
      return Status::Fail(u"bad range");
    lines.erase(lines.begin() + (start - 1), lines.begin() + (start - 1 + count));
    return Status::Ok();
  }
  Status ReplaceLine(int32_t line, std::u16string_view text) override {
    edits.push_back("Replace");
    if (failAt == "Replace") return Status::Fail(u"Replace failed");
    if (line < 1 || line > static_cast<int32_t>(lines.size())) return Status::Fail(u"bad line");
    if (text.find(u'\n') != std::u16string_view::npos) return Status::Fail(u"one line only");
    lines[static_cast<size_t>(line - 1)] = std::u16string(text);
    return Status::Ok();
  }
  Status GetProject(std::shared_ptr<VBProject>& out) override {
    if (!project) return NoSuchMember();
    return out = project, Status::Ok();
  }
};

struct FakePane : CodePane {
  std::shared_ptr<FakeModule> module = std::make_shared<FakeModule>();
  Selection selection;
  Status GetSelection(Selection& out) override { return out = selection, Status::Ok(); }
  Status SetSelection(const Selection& s) override { return selection = s, Status::Ok(); }
  Status GetCodeModule(std::shared_ptr<CodeModule>& out) override { return out = module, Status::Ok(); }
};

struct FakeIde : VBE {
  HostKind kind = HostKind::kVb6;
  std::shared_ptr<FakePane> pane = std::make_shared<FakePane>();
  HostKind Kind() const override { return kind; }
  Status GetCommandBars(std::shared_ptr<CommandBars>&) override { return NoSuchMember(); }
  Status GetEvents(std::shared_ptr<Events>&) override { return NoSuchMember(); }
  Status GetActiveCodePane(std::shared_ptr<CodePane>& out) override { return out = pane, Status::Ok(); }
  FakeModule& module() { return *pane->module; }
};

struct FakeClipboard : Clipboard {
  bool has = true;
  std::u16string text;
  bool refuseSet = false;
  Status GetText(bool& h, std::u16string& out) override {
    h = has;
    out = has ? text.substr(0, text.find(u'\0')) : std::u16string();
    return Status::Ok();
  }
  Status SetText(std::u16string_view t) override {
    if (refuseSet) return Status::Fail(u"clipboard busy");
    text = t;
    has = true;
    return Status::Ok();
  }
};

// Answers with the names in `answers`, one per call; none left is Cancel.
// Each answer the check refuses is kept as its message, and the next is
// tried, as a user would retype.
struct FakeNames : NameDialog {
  std::vector<std::u16string> answers;
  std::vector<std::u16string> offered, refusals;
  bool Ask(std::u16string& name, Check check) override {
    offered.push_back(name);
    while (!answers.empty()) {
      std::u16string a = answers.front();
      answers.erase(answers.begin());
      std::u16string why = check(a);
      if (why.empty()) return name = a, true;
      refusals.push_back(why);
    }
    return false;
  }
};

struct FakeBox : MsgBox {
  std::vector<std::u16string> texts;
  void Show(std::u16string_view t) override { texts.emplace_back(t); }
};

}  // namespace brindle::testing
