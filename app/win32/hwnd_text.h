#pragma once
// Small helpers over a window handle: its ANSI text, and the text of a dialog's control.

#include <windows.h>

#include <string>

namespace dbt {

[[nodiscard]] std::string HwndGetText(HWND hwnd);
void HwndSetText(HWND hwnd, const std::string& text);
[[nodiscard]] std::string HwndGetClassName(HWND hwnd);

}  // namespace dbt
