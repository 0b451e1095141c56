#include <windows.h>

#include "app/win32/arrow_button.h"

#include <algorithm>

namespace dbt {

static_assert(sizeof(LOGFONTA) == 60);  // the same on 32- and 64-bit Windows

ScopedFont CreateArrowFont() {
  int pixelsPerInch = 96;
  {
    WindowDC screen(nullptr);
    if (screen.Get()) pixelsPerInch = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  }
  LOGFONTA description{};
  // 10 points, truncated toward zero as integer division does.
  description.lfHeight = -(10 * pixelsPerInch) / 72;
  description.lfWeight = FW_BOLD;
  description.lfCharSet = SYMBOL_CHARSET;
  lstrcpynA(description.lfFaceName, "Marlett", LF_FACESIZE);
  return ScopedFont(CreateFontIndirectA(&description));
}

std::string SelectedFaceName(HFONT font) {
  WindowDC screen(nullptr);
  if (!screen.Get() || !font) return {};
  SelectedObject selected(screen.Get(), font);
  char face[LF_FACESIZE] = {};
  const int length = GetTextFaceA(screen.Get(), LF_FACESIZE, face);
  return std::string(face, length > 0 ? static_cast<std::size_t>(length - 1) : 0);
}

bool IsRealMarlett(HFONT font) {
  return lstrcmpiA(SelectedFaceName(font).c_str(), "Marlett") == 0;
}

void DrawArrowButton(const DRAWITEMSTRUCT& item, ArrowDirection direction) {
  HDC dc = item.hDC;
  RECT frame = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  // A triangle about as tall as the Marlett glyph would be: half the button's height.
  const int width = item.rcItem.right - item.rcItem.left;
  const int height = item.rcItem.bottom - item.rcItem.top;
  const int half = std::max(2, std::min(height, width) / 4);
  const int shift = pushed ? 1 : 0;
  const int cx = item.rcItem.left + width / 2 + shift;
  const int cy = item.rcItem.top + height / 2 + shift;
  const int tip = direction == ArrowDirection::Left ? -half / 2 - 1 : half / 2 + 1;
  const POINT corners[3] = {{cx + tip, cy}, {cx - tip, cy - half}, {cx - tip, cy + half}};

  const COLORREF colour = GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  ScopedBrush fill(CreateSolidBrush(colour));
  ScopedPen pen(CreatePen(PS_SOLID, 1, colour));
  {
    SelectedObject selectedBrush(dc, fill.Get());
    SelectedObject selectedPen(dc, pen.Get());
    Polygon(dc, corners, 3);
  }

  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace dbt
