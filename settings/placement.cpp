#include "settings/placement.h"

#include <array>
#include <optional>
#include <string>

#include "settings/profile_number.h"

namespace dbt {
namespace {

constexpr std::string_view kSection = "HmWinPos";
// The placement code reads into 260-byte buffers.
constexpr std::size_t kPlacementValueLength = 259;

// The five keys in the order in which they are read and written.
struct PlacementKey {
  std::string_view name;
  std::int32_t PlacementState::*field;
};

constexpr std::array<PlacementKey, 5> kKeys = {{
    {"HmWinPosX", &PlacementState::Left},
    {"HmWinPosY", &PlacementState::Top},
    {"HmWinPosW", &PlacementState::Width},
    {"HmWinPosH", &PlacementState::Height},
    {"HmWinPosMinm", &PlacementState::SizeState},
}};

constexpr std::int32_t kSizeMinimized = 1;

void TakeRect(PlacementState& state, const WindowRect& rect) {
  state.Left = rect.left;
  state.Top = rect.top;
  state.Width = rect.width;
  state.Height = rect.height;
}

}  // namespace

void WindowPlacementKeeper::OnInitDialog(PlacementWindow& window) {
  const WindowRect designed = window.CurrentRect();
  state_.DesignWidth = designed.width;
  state_.DesignHeight = designed.height;

  const std::string file = settings_.FilePath();
  if (file.empty() || !settings_.Host().Exists(file)) {
    TakeRect(state_, designed);
    return;
  }

  bool anyValue = false;
  for (const PlacementKey& key : kKeys) {
    const auto number =
        RoundedProfileNumber(settings_.ReadValue(kSection, key.name, "", kPlacementValueLength));
    if (!number) continue;
    state_.*key.field = *number;
    anyValue = true;
  }
  if (!anyValue) return;

  // Taken before the window moves: a resize makes the system send a size notification at once,
  // and that one says "restored".
  const bool startMinimized = state_.SizeState == kSizeMinimized;
  if (state_.Left > 0 || state_.Top > 0 || state_.Width > 0 || state_.Height > 0) {
    window.MoveTo(state_.Left, state_.Top);
    if (state_.DesignWidth < state_.Width || state_.DesignHeight < state_.Height) {
      window.ResizeTo(state_.Width, state_.Height);
    } else {
      state_.Width = state_.DesignWidth;
      state_.Height = state_.DesignHeight;
    }
  }
  if (startMinimized) window.ShowMinimizedAtStart();
}

void WindowPlacementKeeper::OnExitSizeMove(PlacementWindow& window) {
  TakeRect(state_, window.CurrentRect());
}

void WindowPlacementKeeper::OnSize(std::int32_t sizeType) {
  state_.SizeState = sizeType;
}

void WindowPlacementKeeper::OnSysCommand(PlacementWindow& window) {
  // A minimized or maximized window's rectangle is not the one to come back to.
  if (state_.SizeState == 0) TakeRect(state_, window.CurrentRect());
}

void WindowPlacementKeeper::OnClose() {
  for (const PlacementKey& key : kKeys) {
    (void)settings_.WriteValue(kSection, key.name, std::to_string(state_.*key.field));
  }
}

}  // namespace dbt
