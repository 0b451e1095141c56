#pragma once
// The main window's rules: its state, the command of each control, and the numbered actions.
// Portable: it sees the window only through MainWindowView and the dialogs through Dialogs.

#include "app/main_window_state.h"
#include "app/main_window_view.h"
#include "dbf/engine.h"
#include "dialogs/dialogs.h"
#include "settings/settings.h"

namespace dbt {

class MainWindowController {
 public:
  MainWindowController(MainWindowView& view, Dialogs& dialogs, Settings& settings,
                       TableEngine& engine);

  void OnCreate();                                // the window's creation message
  void OnNcActivate(bool becomingActive);         // focus keeping
  void OnCommand(int control, int notification);  // a control's command
  void OnAction(int actionCode);                  // ActionMessage

  MainWindowState& State() { return state_; }
  RecordBuffer& Buffer() { return buffer_; }

 private:
  MainWindowView& view_;
  Dialogs& dialogs_;
  Settings& settings_;
  TableEngine& engine_;
  MainWindowState state_;
  RecordBuffer buffer_;
};

}  // namespace dbt
