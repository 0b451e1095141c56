#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <type_traits>

#include "dialogs/win32/win32_folder_browser.h"
#include "util/win32/scoped_handles.h"

namespace dbt {
namespace {

// Opens the tree on the start folder, given as a path text in data.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM /*lParam*/, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

// The shell calls back as stdcall on 32-bit Windows, and reads the record in its own layout.
static_assert(std::is_same_v<decltype(&BrowseCallback), BFFCALLBACK>);
#ifdef _WIN64
static_assert(sizeof(BROWSEINFOA) == 64);
#else
static_assert(sizeof(BROWSEINFOA) == 32);
#endif

}  // namespace

FolderChoice Win32FolderBrowser::BrowseForFolder(void* owner, const std::string& caption,
                                                 const std::string& startFolder) {
  // The shell keeps a pointer to the caption while the browser runs; these copies outlive it.
  char captionText[MAX_PATH] = {};
  caption.copy(captionText, MAX_PATH - 1);
  const std::string start = startFolder;

  BROWSEINFOA info{};
  info.hwndOwner = static_cast<HWND>(owner);
  info.lpszTitle = captionText;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());

  const ScopedCoTaskMemory<ITEMIDLIST> itemList(SHBrowseForFolderA(&info));
  FolderChoice choice;
  if (!itemList) return choice;
  choice.chosen = true;
  char path[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(itemList.get(), path)) return choice;
  choice.hasPath = true;
  choice.path = path;
  return choice;
}

}  // namespace dbt
