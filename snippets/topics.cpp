#include "snippets/topics.h"

#include <algorithm>

#include "product/product.h"

namespace brindle {

namespace {

constexpr std::u16string_view kAlwaysOnTop =
    u"Option Explicit\r\n"
    u"Private Declare Function SetWindowPos Lib \"user32\" (ByVal hwnd As Long, ByVal hWndInsertAfter As Long, _\r\n"
    u"  ByVal X As Long, ByVal Y As Long, ByVal cx As Long, ByVal cy As Long, ByVal wFlags As Long) As Long\r\n"
    u"Private Const HWND_TOPMOST = -1\r\n"
    u"Private Const HWND_NOTOPMOST = -2\r\n"
    u"Private Const SWP_NOMOVE = &H2\r\n"
    u"Private Const SWP_NOSIZE = &H1\r\n"
    u"\r\n"
    u"\r\n"
    u"Private Sub Command1_Click()\r\n"
    u"' On Top\r\n"
    u"Call SetWindowPos(Form1.hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE Or SWP_NOSIZE)\r\n"
    u"End Sub\r\n"
    u"\r\n"
    u"Private Sub Command2_Click()\r\n"
    u"' Not on top\r\n"
    u"Call SetWindowPos(Form1.hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE Or SWP_NOSIZE)\r\n"
    u"End Sub\r\n"
    u"\r\n"
    u"Private Sub Form_Load()\r\n"
    u"Command1 = True\r\n"
    u"End Sub";

constexpr std::u16string_view kAlwaysOnTopMdiChild =
    u"Public Declare Function SetWindowLong Lib \"user32\" Alias \"SetWindowLongA\" (ByVal hwnd As Long, ByVal nIndex As Long, ByVal wNewLong As Long) As Long\r\n"
    u"Public Function AlwaysOnTop(Form As Form, FormParent As Form) As Long\r\n"
    u"On Error Resume Next\r\n"
    u"AlwaysOnTop = SetWindowLong(Form.hwnd, -8, FormParent.hwnd)\r\n"
    u"End Function\r\n"
    u"AlwaysOnTop Me,MDIForm1";

constexpr std::u16string_view kFrmGenerator =
    u"http://www.vbforums.com/attachment.php?attachmentid=188902&d=1697021952";

constexpr std::u16string_view kReadBitmapResources =
    u"https://www.codeproject.com/KB/vbscript/LoadBMPFromDLL/LoadBMPFromDLL.zip";

constexpr std::u16string_view kTutorialNote = u"Tutorial is given in Corvane inside this pack";

// The second procedure has no closing line: the snippet stops there.
constexpr std::u16string_view kControlAtRunTime =
    u"Dim WithEvents btn as CommandButton\r\n"
    u"Private Sub Form_Load()\r\n"
    u"set btn = Controls.Add(\"vb.commandbutton\", \"Cmd1\")\r\n"
    u"btn.visible=true\r\n"
    u"End Sub\r\n"
    u"Private Sub btn_Click()\r\n"
    u"MsgBox \"Im new control\" & vbnewline";

constexpr std::u16string_view kToolbarControl =
    u"Private Sub Toolbar1_ButtonClick(ByVal Button As MSComctlLib.Button)\r\n"
    u"Select Case Button.Key\r\n"
    u"Case \"Cut\" \r\n"
    u"Case \"Copy\"\r\n"
    u"Case \"Center\"\r\n"
    u"Case \"Snapshot\"\r\n"
    u"End Select\r\n"
    u"End Sub";

constexpr std::u16string_view kTextContains =
    u"Dim strToFind As String\r\n"
    u"Dim strToCheck As String\r\n"
    u"Dim FoundIt\r\n"
    u"strToFind = \"test\"\r\n"
    u"strToCheck = \"This is a test to see if it works\"\r\n"
    u"FoundIt = InStr(1, strToCheck, strToFind)\r\n"
    u"If FoundIt <> 0 Then\r\n"
    u"MsgBox (\"Found it\")\r\n"
    u"End If";

// The archive page lives on the product's own host, so its address is
// assembled at compile time from the one constant that names it.
constexpr std::u16string_view kArchiveScheme = u"http://";
constexpr std::u16string_view kArchivePath = u"/brindle/archive.html";
constexpr std::size_t kArchiveLength =
    kArchiveScheme.size() + kProductHost.size() + kArchivePath.size();
constexpr std::array<char16_t, kArchiveLength> kArchiveChars = [] {
  std::array<char16_t, kArchiveLength> a{};
  auto out = std::copy(kArchiveScheme.begin(), kArchiveScheme.end(), a.begin());
  out = std::copy(kProductHost.begin(), kProductHost.end(), out);
  std::copy(kArchivePath.begin(), kArchivePath.end(), out);
  return a;
}();
constexpr std::u16string_view kArchiveAddress(kArchiveChars.data(), kArchiveChars.size());

}  // namespace

constinit const std::array<SnippetTopic, kSnippetTopicCount> kSnippetTopics = {{
    {u"Always on top", kAlwaysOnTop},
    {u"Always on top MDIChild", kAlwaysOnTopMdiChild},
    {u"VB6 FRM Generator", kFrmGenerator},
    {u"VB6 Read Bitmap Resources", kReadBitmapResources},
    {u"DHTMLED Create Tag", kTutorialNote},
    {u"DHTMLED Create Attribute", kTutorialNote},
    {u"Create control in runtime", kControlAtRunTime},
    {u"Using toolbar control", kToolbarControl},
    {u"If text contains", kTextContains},
    {u"UserControls", kArchiveAddress},
}};

}  // namespace brindle
