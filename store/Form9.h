// The program store window: the published programs of the store server, a
// search box, and the download address of the program the user clicks.
#pragma once

#include <string>
#include <string_view>

#include "forms/forms.h"

class Form9 final : public forms::Form {
 public:
  Form9();

  //                                     container caption                    Left   Top  Width Height Tab
  forms::TextBox       Text1     {*this, L"Address for downloading",        120, 6240, 8655,  375,  0};
  forms::TextBox       Text2     {*this, L"",                              1680,  120, 6135,  375,  1,
                                  {.toolTip = L"Search"}};
  forms::CommandButton Command1  {*this, L"q",                             7800,  120,  975,  375,  2};
  forms::Label         Label1    {*this, L"ORLEX",                            0,  120, 1695,  375,  3,
                                  {.font = &kTitleFont, .alignment = forms::Align::Center}};
  forms::ListView      ListView1 {*this,                                    120, 1080, 8655, 5055,  4};
  forms::Label         Label2    {*this, L"Program Store",                    0,  600, 1695,  375,  5,
                                  {.alignment = forms::Align::Center}};
  forms::CommandButton Command2  {*this, L"Program of the week",           3960,  480, 1815,  495,  6};

  // Refreshes the list: empties it, downloads the store list anew and lists
  // every entry that contains the search text. A failed download (or one
  // given up on: see store/download.h) leaves it empty, silently. The
  // program goes on answering meanwhile; a search while a refresh runs
  // starts nothing, and closing the window ends its refresh quietly.
  void appstore();
  // Fetches sSourceUrl into the file sLocalFile; true only when the whole
  // resource now stands in the file, which is left as it was otherwise.
  // Dispatches this thread's messages while it waits; when the window is
  // unloaded meanwhile, it gives up and returns false.
  bool DownloadFile(std::wstring_view sSourceUrl, std::wstring_view sLocalFile);

 protected:
  void Form_Load() override;

 private:
  static const forms::Font kTitleFont;

  void Command1_Click();
  void ListView1_Click();
  void Command2_Click();

  // Counts the loadings of the window: a refresh belongs to one of them.
  unsigned loads_ = 0;
  // The loading whose refresh is running, 0 when none is.
  unsigned refreshing_ = 0;
};

namespace store {

// Where the downloaded store list is kept: appstore.txt in
// "C:\Documents and Settings" where that is a real folder, else in a BRINDLE
// folder under the user's local application data (made when missing).
// Chosen once per run.
const std::wstring& StoreListFile();

// Reads the whole file as bytes and decodes it in the system code page.
// False when it cannot be opened or read (or is too large to hold).
bool ReadStoreListFile(const std::wstring& path, std::u16string& text);

}  // namespace store
