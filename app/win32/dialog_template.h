#pragma once
// An in-memory dialog template (DLGTEMPLATE and DLGITEMTEMPLATE records) in dialog units, as
// CreateDialogIndirectParamA takes it. Texts are ANSI and are widened by the ANSI code page.

#include <windows.h>

#include <string>
#include <vector>

namespace dbt {

enum class ControlClass : WORD { Button = 0x0080, Edit = 0x0081, Static = 0x0082 };

struct DialogHeader {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::string title;
  WORD fontPoints = 8;  // used with DS_SETFONT
  std::string fontFace;
};

struct DialogItem {
  int id = 0;
  ControlClass kind = ControlClass::Static;
  std::string text;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD style = 0;  // WS_CHILD | WS_VISIBLE are added
  DWORD exStyle = 0;
};

// The template's words, DWORD-aligned where the format needs it; pass data() to the dialog
// manager while the vector lives.
[[nodiscard]] std::vector<WORD> BuildDialogTemplate(const DialogHeader& header,
                                                    const std::vector<DialogItem>& items);

}  // namespace dbt
