#include <windows.h>

#include <commdlg.h>

#include <cstddef>
#include <type_traits>

#include "dialogs/win32/open_commdlg_proc.h"
#include "dialogs/win32/win32_system_file_dialogs.h"

namespace dbt {
namespace {

// The record without the fields that Windows 2000 added (OPENFILENAME_SIZE_VERSION_400A, 76
// bytes on 32-bit Windows): the dialog keeps its older look, without the places bar.
constexpr DWORD kRequestSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
#ifdef _WIN64
static_assert(kRequestSize == 136 && sizeof(OPENFILENAMEA) == 152);
#else
static_assert(kRequestSize == 76 && sizeof(OPENFILENAMEA) == 88);
#endif
// The dialog calls the hook as the system calls back: stdcall on 32-bit Windows. A hook
// declared without CALLBACK would be a different type here, and would unbalance the stack.
static_assert(std::is_same_v<decltype(&OPENCOMMDLG_PROC), LPOFNHOOKPROC>);

const char* TextOrNull(const std::string& text) {
  return text.empty() ? nullptr : text.c_str();
}

OPENFILENAMEA SystemRequest(FileDialogRequest& request) {
  OPENFILENAMEA system{};
  system.lStructSize = kRequestSize;
  system.hwndOwner = static_cast<HWND>(request.owner);
  system.lpstrFilter = request.filterList.c_str();
  system.nFilterIndex = static_cast<DWORD>(request.filterIndex);
  system.lpstrFile = request.buffer.data();
  system.nMaxFile = static_cast<DWORD>(request.buffer.size());
  system.lpstrInitialDir = TextOrNull(request.initialFolder);
  system.lpstrTitle = TextOrNull(request.title);
  system.Flags = request.flags;
  system.lpstrDefExt = TextOrNull(request.defaultExtension);
  system.lpfnHook = OPENCOMMDLG_PROC;
  return system;
}

void TakeAnswer(const OPENFILENAMEA& system, FileDialogRequest& request) {
  request.filterIndex = static_cast<std::int32_t>(system.nFilterIndex);
  request.flags = system.Flags;
}

}  // namespace

int Win32SystemFileDialogs::OpenFileDialog(FileDialogRequest& request) {
  OPENFILENAMEA system = SystemRequest(request);
  const BOOL chosen = GetOpenFileNameA(&system);
  TakeAnswer(system, request);
  return chosen ? 1 : 0;
}

int Win32SystemFileDialogs::SaveFileDialog(FileDialogRequest& request) {
  OPENFILENAMEA system = SystemRequest(request);
  const BOOL chosen = GetSaveFileNameA(&system);
  TakeAnswer(system, request);
  return chosen ? 1 : 0;
}

std::string Win32SystemFileDialogs::CurrentDirectory() {
  const DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return std::string();
  std::string folder(needed, '\0');
  const DWORD length = GetCurrentDirectoryA(needed, folder.data());
  folder.resize(length < needed ? length : 0);
  return folder;
}

}  // namespace dbt
