#include <windows.h>

#include "app/win32/dialog_template.h"

namespace dbt {
namespace {

void PutDword(std::vector<WORD>& out, DWORD value) {
  out.push_back(LOWORD(value));
  out.push_back(HIWORD(value));
}

void PutShort(std::vector<WORD>& out, short value) {
  out.push_back(static_cast<WORD>(value));
}

// The template's strings are UTF-16 and NUL-terminated.
void PutText(std::vector<WORD>& out, const std::string& ansi) {
  if (!ansi.empty()) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    for (wchar_t c : wide) out.push_back(static_cast<WORD>(c));
  }
  out.push_back(0);
}

// Item records start on a DWORD boundary of the template; the vector's storage is at least
// DWORD-aligned, so an even word count is such a boundary.
void AlignToDword(std::vector<WORD>& out) {
  if (out.size() % 2 != 0) out.push_back(0);
}

}  // namespace

std::vector<WORD> BuildDialogTemplate(const DialogHeader& header,
                                      const std::vector<DialogItem>& items) {
  std::vector<WORD> out;
  PutDword(out, header.style);
  PutDword(out, header.exStyle);
  out.push_back(static_cast<WORD>(items.size()));
  PutShort(out, header.x);
  PutShort(out, header.y);
  PutShort(out, header.cx);
  PutShort(out, header.cy);
  out.push_back(0);  // no menu
  out.push_back(0);  // the dialog manager's own window class
  PutText(out, header.title);
  if (header.style & DS_SETFONT) {
    out.push_back(header.fontPoints);
    PutText(out, header.fontFace);
  }
  for (const DialogItem& item : items) {
    AlignToDword(out);
    PutDword(out, item.style | WS_CHILD | WS_VISIBLE);
    PutDword(out, item.exStyle);
    PutShort(out, item.x);
    PutShort(out, item.y);
    PutShort(out, item.cx);
    PutShort(out, item.cy);
    out.push_back(static_cast<WORD>(item.id));
    out.push_back(0xFFFF);  // a predefined class by atom follows
    out.push_back(static_cast<WORD>(item.kind));
    PutText(out, item.text);
    out.push_back(0);  // no creation data
  }
  return out;
}

}  // namespace dbt
