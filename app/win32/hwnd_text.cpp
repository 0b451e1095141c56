#include <windows.h>

#include "app/win32/hwnd_text.h"

namespace dbt {

std::string HwndGetText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void HwndSetText(HWND hwnd, const std::string& text) {
  SetWindowTextA(hwnd, text.c_str());
}

std::string HwndGetClassName(HWND hwnd) {
  char name[256] = {};
  const int length = GetClassNameA(hwnd, name, sizeof name);
  return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace dbt
