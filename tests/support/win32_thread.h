#pragma once
// A second thread for the Windows tests. The mingw-w64 compilers of the win32 thread model have
// no std::thread (that would need winpthreads, which the programs must not link), so the tests
// start their helper threads with the system's own call.

#include <windows.h>

#include <functional>
#include <utility>

namespace dbt::test {

// Runs `body` on a thread of its own; Join waits for it, and so does the destructor.
class Win32Thread {
 public:
  explicit Win32Thread(std::function<void()> body) : body_(std::move(body)) {
    handle_ = CreateThread(nullptr, 0, &Win32Thread::Run, this, 0, nullptr);
    if (!handle_) body_();  // no thread to be had: run it here rather than not at all
  }
  ~Win32Thread() { Join(); }
  Win32Thread(const Win32Thread&) = delete;
  Win32Thread& operator=(const Win32Thread&) = delete;

  void Join() {
    if (!handle_) return;
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  static DWORD WINAPI Run(LPVOID self) {
    static_cast<Win32Thread*>(self)->body_();
    return 0;
  }

  std::function<void()> body_;
  HANDLE handle_ = nullptr;
};

}  // namespace dbt::test
