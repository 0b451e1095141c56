#pragma once
// The arrow buttons: the Marlett font whose "3" and "4" are triangles pointing left and right,
// and, where the system has no real Marlett, triangles drawn by the window itself.

#include <windows.h>

#include <string>

#include "util/win32/scoped_handles.h"

namespace dbt {

[[nodiscard]] ScopedFont CreateArrowFont();

// The face the system actually selects for the font; a missing face is silently replaced.
[[nodiscard]] std::string SelectedFaceName(HFONT font);
[[nodiscard]] bool IsRealMarlett(HFONT font);

enum class ArrowDirection { Left, Right };

// Paints a whole owner-drawn push button with a filled triangle on it.
void DrawArrowButton(const DRAWITEMSTRUCT& item, ArrowDirection direction);

}  // namespace dbt
