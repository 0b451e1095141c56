#include <windows.h>

#include "app/win32/main_window_layout.h"

#include "app/control_ids.h"

namespace dbt {

DialogHeader MainWindowHeader() {
  DialogHeader header;
  // Not WS_VISIBLE: the window is shown once its placement has been restored.
  header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS |
                 DS_MODALFRAME | DS_3DLOOK | DS_SETFOREGROUND | DS_SETFONT;
  header.exStyle = WS_EX_CONTROLPARENT;
  header.x = 34;
  header.y = 39;
  header.cx = 444;
  header.cy = 261;
  header.title = " Merlopost Dbase Tool Dateipfad \xE4ndern";
  header.fontPoints = 8;
  header.fontFace = "MS Sans Serif";
  return header;
}

std::vector<DialogItem> MainWindowItems(bool ownerDrawnArrows) {
  using enum ControlClass;
  const DWORD arrow = ownerDrawnArrows ? kOwnerDrawnArrowStyle : kPushButtonStyle;
  return {
      {kBlankLabel, Static, "", 25, 10, 395, 10, SS_LEFT, 0},
      {kProgramPathLabel, Static, "Programm Pfad:", 25, 35, 65, 10, kLabelStyle, 0},
      {kProgramPathBox, Edit, "", 90, 35, 310, 10, kTextBoxStyle, kBoxExStyle},
      {kTableLabel, Static, "Dbase Datenbank:", 25, 55, 65, 10, kLabelStyle, 0},
      {kTableNameBox, Edit, "", 90, 55, 310, 10, kTextBoxStyle, kBoxExStyle},
      {kChooseTableButton, Button, "4", 400, 55, 15, 10, arrow, 0},
      {kRecordCountLabel, Static, "Anzahl Datens\xE4tze:", 25, 85, 65, 10, kLabelStyle, 0},
      {kRecordCountBox, Edit, "0", 90, 85, 60, 10, kNumberBoxStyle, kBoxExStyle},
      {kRecordLabel, Static, "Datensatz:", 190, 85, 40, 10, kLabelStyle, 0},
      {kCurrentRecordBox, Edit, "0", 230, 85, 60, 10, kNumberBoxStyle, kBoxExStyle},
      {kOfLabel, Static, " von ", 290, 85, 20, 10, kCentredLabelStyle, 0},
      {kRecordTotalBox, Edit, "0", 310, 85, 60, 10, kNumberBoxStyle, kBoxExStyle},
      {kPreviousButton, Button, "3", 375, 85, 15, 10, arrow, 0},
      {kNextButton, Button, "4", 395, 85, 15, 10, arrow, 0},
      {kStoredPathHeading, Static, "Vorhandener Dateipfad im Dbase Datenbank Feld:", 25, 115, 165,
       10, kLabelStyle, 0},
      {kStoredPathFieldLabel, Static, "DATEI", 25, 130, 65, 10, kCentredLabelStyle, 0},
      {kStoredPathBox, Edit, "", 90, 130, 310, 10, kTextBoxStyle, kBoxExStyle},
      {kRenameCheckBox, Button, "Datei PDF zu SFF umbenennen", 90, 150, 120, 10, kCheckBoxStyle, 0},
      {kNewPathHeading, Static, "Neuer Dateipfad im Dbase Datenbank Feld:", 25, 170, 165, 10,
       kLabelStyle, 0},
      {kNewPathFieldLabel, Static, "DATEI", 25, 185, 65, 10, kCentredLabelStyle, 0},
      {kNewPathBox, Edit, "", 90, 185, 310, 10, kTextBoxStyle, kBoxExStyle},
      {kChooseFolderButton, Button, "4", 400, 185, 15, 10, arrow, 0},
      {kChangeCaption, Static, "Dateipfad im Datensatz \xE4ndern:", 25, 215, 110, 10, kLabelStyle,
       0},
      {kChangePathButton, Button, "Pfad \xE4ndern", 140, 212, 65, 15, kPushButtonStyle, 0},
      {kChangeAllPathsButton, Button, "Pfad \xE4ndern -> alle Datens\xE4tze", 220, 212, 110, 15,
       kPushButtonStyle, 0},
      {kAppendButton, Button, "Datenbank hinzuf\xFCgen", 25, 235, 90, 15, kPushButtonStyle, 0},
      {kDeleteDuplicatesButton, Button, "Doppelte Datens\xE4tze L\xF6schen", 125, 235, 115, 15,
       kPushButtonStyle, 0},
      {kQuitButton, Button, "Ende", 350, 235, 65, 15, kPushButtonStyle, 0},
  };
}

const std::vector<int>& MainWindowBoxes() {
  static const std::vector<int> boxes{kProgramPathBox,   kTableNameBox,   kRecordCountBox,
                                      kCurrentRecordBox, kRecordTotalBox, kStoredPathBox,
                                      kNewPathBox};
  return boxes;
}

const std::vector<int>& ArrowButtons() {
  static const std::vector<int> arrows{kChooseTableButton, kPreviousButton, kNextButton,
                                       kChooseFolderButton};
  return arrows;
}

}  // namespace dbt
