#include <windows.h>

#include "app/win32/main_window.h"

#include <algorithm>
#include <type_traits>

#include "app/control_ids.h"
#include "app/win32/arrow_button.h"
#include "app/win32/main_window_layout.h"
#include "dialogs/win32/win32_dialogs.h"

namespace dbt {
namespace {

bool IsBox(int control) {
  const auto& boxes = MainWindowBoxes();
  return std::find(boxes.begin(), boxes.end(), control) != boxes.end();
}

constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

MainWindow::MainWindow(Settings& settings, Dialogs* dialogs)
    : settings_(settings), placement_(settings), dialogs_(dialogs) {
  if (!dialogs_) {
    systemDialogs_ = std::make_unique<Win32Dialogs>(nullptr);
    dialogs_ = systemDialogs_.get();
  }
}

MainWindow::~MainWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

HWND MainWindow::Create() {
  if (hwnd_) return hwnd_;
  // The font comes first, so that the layout knows whether the arrows must be drawn by hand.
  arrowFont_ = CreateArrowFont();
  arrowsOwnerDrawn_ = !IsRealMarlett(arrowFont_.Get());
  boxBackground_ = ScopedBrush(CreateSolidBrush(kWhite));

  const std::vector<WORD> layout =
      BuildDialogTemplate(MainWindowHeader(), MainWindowItems(arrowsOwnerDrawn_));
  HWND hwnd = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                         reinterpret_cast<LPCDLGTEMPLATEA>(layout.data()), nullptr,
                                         &MainWindow::DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd) return nullptr;
  SetUpControls();
  return hwnd;
}

void MainWindow::SetUpControls() {
  for (int arrow : ArrowButtons()) {
    // No redraw: the window is not visible yet.
    SendDlgItemMessageA(hwnd_, arrow, WM_SETFONT, reinterpret_cast<WPARAM>(arrowFont_.Get()),
                        FALSE);
  }
  EnableWindow(GetDlgItem(hwnd_, kAppendButton), FALSE);
  EnableWindow(GetDlgItem(hwnd_, kDeleteDuplicatesButton), FALSE);
  for (int box : MainWindowBoxes()) {
    SendDlgItemMessageA(hwnd_, box, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                        MAKELPARAM(2, 2));
  }
}

void MainWindow::Show() {
  if (!hwnd_) return;
  ShowWindow(hwnd_, startMinimized_ ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

// The dialog manager hands the owner-drawn buttons' record in its own layout.
#ifdef _WIN64
static_assert(sizeof(DRAWITEMSTRUCT) == 64);
#else
static_assert(sizeof(DRAWITEMSTRUCT) == 48);
#endif

INT_PTR CALLBACK MainWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The dialog manager calls it as stdcall on 32-bit Windows.
  static_assert(std::is_same_v<decltype(&MainWindow::DialogProc), DLGPROC>);
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    reinterpret_cast<MainWindow*>(lParam)->Attach(hwnd);
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  return self ? self->Handle(message, wParam, lParam) : FALSE;
}

void MainWindow::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  if (systemDialogs_) systemDialogs_->SetOwner(hwnd);
  view_ = std::make_unique<Win32MainWindowView>(hwnd);
  placementWindow_ = std::make_unique<Win32PlacementWindow>(hwnd, startMinimized_);
  controller_ = std::make_unique<MainWindowController>(*view_, *dialogs_, settings_, engine_);
}

INT_PTR MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  TrackWindowPlacement(placement_, *placementWindow_, message, wParam);
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_NCACTIVATE:
      OnNcActivate(wParam);
      return FALSE;
    case WM_COMMAND:
      OnCommand(wParam);
      return FALSE;
    case kActionMessage:
      OnAction(lParam);
      return FALSE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
      return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CLOSE:
      OnClose();
      return TRUE;
    case WM_NCDESTROY:
      OnNcDestroy();
      return FALSE;
    default:
      return FALSE;
  }
}

BOOL MainWindow::OnInitDialog() {
  controller_->OnCreate();
  // Not handled, like every message: had it answered TRUE, the dialog manager would give the
  // program folder's box the focus with its text selected.
  return FALSE;
}

void MainWindow::OnNcActivate(WPARAM wParam) {
  controller_->OnNcActivate(wParam != 0);
}

void MainWindow::OnCommand(WPARAM wParam) {
  controller_->OnCommand(LOWORD(wParam), HIWORD(wParam));
}

void MainWindow::OnAction(LPARAM lParam) {
  controller_->OnAction(static_cast<int>(lParam));
}

INT_PTR MainWindow::OnCtlColor(HDC dc, HWND control) {
  if (!IsBox(GetDlgCtrlID(control))) return FALSE;
  // Read-only edits would otherwise take the dialog's grey.
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, kWhite);
  return reinterpret_cast<INT_PTR>(boxBackground_.Get());
}

BOOL MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return FALSE;
  const int id = static_cast<int>(item.CtlID);
  const auto& arrows = ArrowButtons();
  if (std::find(arrows.begin(), arrows.end(), id) == arrows.end()) return FALSE;
  DrawArrowButton(item, id == kPreviousButton ? ArrowDirection::Left : ArrowDirection::Right);
  return TRUE;
}

void MainWindow::OnClose() {
  // The dialog manager would turn the close into the cancel command, which nothing answers;
  // the caption's close button ends the window at once instead.
  DestroyWindow(hwnd_);
}

void MainWindow::OnNcDestroy() {
  SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
  hwnd_ = nullptr;
  if (quitWhenDestroyed_) PostQuitMessage(0);
}

int RunMessageLoop(HWND dialog) {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsWindow(dialog) && IsDialogMessageA(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace dbt
