#pragma once
// The main window's fixed layout: its frame and its 28 controls in creation (and Tab) order,
// in dialog units of its 8-point "MS Sans Serif" font.

#include <windows.h>

#include <vector>

#include "app/win32/dialog_template.h"

namespace dbt {

// Read-only boxes: the user selects and copies, never types.
inline constexpr DWORD kTextBoxStyle = ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP;
inline constexpr DWORD kNumberBoxStyle = kTextBoxStyle | ES_CENTER;
inline constexpr DWORD kBoxExStyle = WS_EX_STATICEDGE;
inline constexpr DWORD kLabelStyle = SS_LEFT | SS_CENTERIMAGE;
inline constexpr DWORD kCentredLabelStyle = SS_CENTER | SS_CENTERIMAGE;
inline constexpr DWORD kPushButtonStyle = BS_PUSHBUTTON | WS_TABSTOP;
inline constexpr DWORD kOwnerDrawnArrowStyle = BS_OWNERDRAW | WS_TABSTOP;
inline constexpr DWORD kCheckBoxStyle = BS_AUTOCHECKBOX | WS_TABSTOP;

[[nodiscard]] DialogHeader MainWindowHeader();
// ownerDrawnArrows: the four arrow buttons draw their triangles themselves, for systems where
// the arrow font is not really Marlett.
[[nodiscard]] std::vector<DialogItem> MainWindowItems(bool ownerDrawnArrows);

// The seven read-only boxes: white background, 2-pixel margins.
const std::vector<int>& MainWindowBoxes();
const std::vector<int>& ArrowButtons();

}  // namespace dbt
