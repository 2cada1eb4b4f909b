#include "converter/Form10.h"

#include "converter/convert.h"

const forms::Font Form10::kCourier = {L"Courier New", 9.75, FW_NORMAL, ANSI_CHARSET};

Form10::Form10() : Form({.caption = L"MultiLine2VB", .width = 8925, .height = 6000}) {
  Text1.Change = [this] { Text1_Change(); };
}

// Every change converts the whole input afresh; setting Text2 raises no
// conversion of its own, so this never re-enters.
void Form10::Text1_Change() {
  Text2.SetText(forms::Wide(brindle::ConvertMultiLine(forms::Utf16(Text1.Text()))));
}
