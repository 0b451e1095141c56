#pragma once
// Owners of the handles and system memory the programs take from Windows: kernel handles, GDI
// objects and device contexts, and blocks the system allocated for us, so that every way out
// of a function gives back what it took.

#include <windows.h>

#include <objbase.h>

#include <memory>
#include <utility>

namespace dbt {

// A handle closed with CloseHandle (files, pipes, processes, threads). Both the null handle
// and INVALID_HANDLE_VALUE count as none, since the API reports failure with either.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  // For APIs that hand out a handle through a pointer; the object must hold none yet.
  HANDLE* Out() { return &handle_; }
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A search of FindFirstFileA, ended with FindClose.
class ScopedFindHandle {
 public:
  explicit ScopedFindHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedFindHandle() {
    if (Valid()) FindClose(handle_);
  }
  ScopedFindHandle(const ScopedFindHandle&) = delete;
  ScopedFindHandle& operator=(const ScopedFindHandle&) = delete;

  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// A font, brush, pen or other GDI object that this program created.
template <typename Handle>
class ScopedGdiObject {
 public:
  ScopedGdiObject() = default;
  explicit ScopedGdiObject(Handle handle) : handle_(handle) {}
  ~ScopedGdiObject() { Reset(); }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
  ScopedGdiObject(ScopedGdiObject&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)) {}
  ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
  }

 private:
  Handle handle_ = nullptr;
};

using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedPen = ScopedGdiObject<HPEN>;

// The device context of a window (or of the screen for nullptr), released when done.
class WindowDC {
 public:
  explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects an object into a device context and puts the previous one back at scope end.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A block that a call allocated with LocalAlloc for its caller to free (CommandLineToArgvW).
struct LocalFreeDeleter {
  void operator()(void* block) const { LocalFree(block); }
};
template <typename T>
using ScopedLocalMemory = std::unique_ptr<T, LocalFreeDeleter>;

// A block that the shell allocated with the task allocator (the item list of the folder
// browser); freeing it takes ole32.
struct CoTaskMemFreeDeleter {
  void operator()(void* block) const { CoTaskMemFree(block); }
};
template <typename T>
using ScopedCoTaskMemory = std::unique_ptr<T, CoTaskMemFreeDeleter>;

}  // namespace dbt
