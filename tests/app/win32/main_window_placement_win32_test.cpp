// The real window's placement under Wine: saved to the settings file when the window closes,
// and restored by the next window made from that file.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "app/win32/main_window.h"
#include "settings/settings.h"
#include "tests/app/win32/main_window_win32_support.h"
#include "tests/support/dialog_driver_win32.h"

namespace dbt::test {
namespace {

using namespace std::string_literals;

constexpr char kSection[] = "HmWinPos";

// Pixels of a distance given in the window's dialog units, as the dialog manager maps them.
POINT DialogUnitsToPixels(HWND window, int x, int y) {
  RECT rect{0, 0, x, y};
  MapDialogRect(window, &rect);
  return POINT{rect.right, rect.bottom};
}

// The outer size in dialog units; the base units in pixels span 4 across and 8 down.
SIZE OuterSizeInDialogUnits(HWND window) {
  RECT outer{};
  GetWindowRect(window, &outer);
  const POINT base = DialogUnitsToPixels(window, 4, 8);
  return SIZE{MulDiv(outer.right - outer.left, 4, base.x),
              MulDiv(outer.bottom - outer.top, 8, base.y)};
}

void MoveAsDragged(HWND window, POINT place) {
  SetWindowPos(window, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);  // as the system's move loop ends a drag
}

// Sends a message that closes the window. True when another dialog (a question) came up
// meanwhile: it is answered No, and the window stays.
bool CloseAsks(HWND window, UINT message, WPARAM wParam) {
  std::atomic<bool> returned{false};
  bool asked = false;
  WhileShowing(
      [&] {
        SendMessageA(window, message, wParam, 0);
        returned = true;
      },
      [&](DWORD thread) {
        const auto deadline = std::chrono::steady_clock::now() + kDialogTimeout;
        while (!returned && std::chrono::steady_clock::now() < deadline) {
          const HWND box = WaitForDialog(
              thread, [window](HWND dialog) { return dialog != window; },
              std::chrono::milliseconds(100));
          if (box == nullptr) continue;
          asked = true;
          PressButton(box, IDNO);
          return;
        }
      });
  return asked;
}

class MainWindowPlacement : public testing::Test {
 protected:
  // A window as the program makes it: created with the saved placement, then shown.
  std::unique_ptr<MainWindow> Open() {
    auto window = std::make_unique<MainWindow>(settings, &dialogs);
    if (window->Create() != nullptr) window->Show();
    PumpMessages();
    return window;
  }

  Settings settings;
  SettingsFileStash settingsFile{settings};
  ScriptedDialogs dialogs;
};

TEST_F(MainWindowPlacement, MovedWindowIsSavedAtCloseWithoutAQuestionAndReopensThere) {
  auto first = Open();
  const HWND hwnd = first->Hwnd();
  ASSERT_NE(hwnd, nullptr);
  RECT designed{};
  GetWindowRect(hwnd, &designed);
  // Multiples of 4 and 8 dialog units are whole pixels both ways, so nothing is lost rounding.
  const POINT place = DialogUnitsToPixels(hwnd, 100, 64);
  ASSERT_NE(designed.left, place.x);
  MoveAsDragged(hwnd, place);
  const SIZE size = OuterSizeInDialogUnits(hwnd);

  EXPECT_FALSE(CloseAsks(hwnd, WM_CLOSE, 0));
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(first->Hwnd(), nullptr);
  EXPECT_EQ(settingsFile.Value(kSection, "HmWinPosX"), "100"s);
  EXPECT_EQ(settingsFile.Value(kSection, "HmWinPosY"), "64"s);
  EXPECT_EQ(settingsFile.Value(kSection, "HmWinPosW"), std::to_string(size.cx));
  EXPECT_EQ(settingsFile.Value(kSection, "HmWinPosH"), std::to_string(size.cy));
  EXPECT_EQ(settingsFile.Value(kSection, "HmWinPosMinm"), "0"s);

  auto second = Open();
  ASSERT_NE(second->Hwnd(), nullptr);
  RECT reopened{};
  GetWindowRect(second->Hwnd(), &reopened);
  EXPECT_EQ(reopened.left, place.x);
  EXPECT_EQ(reopened.top, place.y);
  EXPECT_EQ(reopened.right - reopened.left, designed.right - designed.left);
  EXPECT_EQ(reopened.bottom - reopened.top, designed.bottom - designed.top);
  EXPECT_FALSE(IsIconic(second->Hwnd()));
}

TEST_F(MainWindowPlacement, ClosedWhileMinimisedStartsMinimisedAndRestoresToItsFormerPlace) {
  auto first = Open();
  const HWND hwnd = first->Hwnd();
  ASSERT_NE(hwnd, nullptr);
  const POINT place = DialogUnitsToPixels(hwnd, 120, 80);
  MoveAsDragged(hwnd, place);
  SendMessageA(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(IsIconic(hwnd));

  // The caption's and the task bar's close both come as this system command.
  EXPECT_FALSE(CloseAsks(hwnd, WM_SYSCOMMAND, SC_CLOSE));
  EXPECT_FALSE(IsWindow(hwnd));
  // The place from before the minimising, not the minimised window's.
  EXPECT_EQ(settingsFile.Value(kSection, "HmWinPosX"), "120"s);
  EXPECT_EQ(settingsFile.Value(kSection, "HmWinPosY"), "80"s);
  EXPECT_EQ(settingsFile.Value(kSection, "HmWinPosMinm"), "1"s);

  auto second = Open();
  const HWND reopened = second->Hwnd();
  ASSERT_NE(reopened, nullptr);
  EXPECT_TRUE(IsIconic(reopened));
  ShowWindow(reopened, SW_RESTORE);
  RECT restored{};
  GetWindowRect(reopened, &restored);
  EXPECT_EQ(restored.left, place.x);
  EXPECT_EQ(restored.top, place.y);
}

}  // namespace
}  // namespace dbt::test
