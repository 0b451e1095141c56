#include "dialogs/folder_browser.h"

#include <gtest/gtest.h>

#include <string>

namespace dbt {
namespace {

class ScriptedFolderBrowser final : public SystemFolderBrowser {
 public:
  FolderChoice BrowseForFolder(void* /*owner*/, const std::string& caption,
                               const std::string& startFolder) override {
    seenCaption = caption;
    seenStart = startFolder;
    return answer;
  }

  FolderChoice answer;
  std::string seenCaption;
  std::string seenStart;
};

TEST(BrowseFolder, ChosenFolderIsTheResultAndTheNextStart) {
  ScriptedFolderBrowser system;
  system.answer = FolderChoice{true, true, "D:\\Fax\\Neu"};
  std::string start = "C:\\Fax\\";
  EXPECT_EQ(BrowseFolder(system, nullptr, start), "D:\\Fax\\Neu");
  EXPECT_EQ(system.seenStart, "C:\\Fax\\");
  EXPECT_EQ(system.seenCaption, "C:\\Fax\\");
  EXPECT_EQ(start, "D:\\Fax\\Neu");
}

TEST(BrowseFolder, CancelOrAnItemWithoutPathLeavesTheStartAsItWas) {
  for (const FolderChoice& answer :
       {FolderChoice{false, false, ""}, FolderChoice{true, false, ""}}) {
    ScriptedFolderBrowser system;
    system.answer = answer;
    std::string start = "C:\\Fax\\";
    EXPECT_EQ(BrowseFolder(system, nullptr, start), "");
    EXPECT_EQ(start, "C:\\Fax\\");
  }
}

TEST(BrowseFolder, CaptionShowsAtMost259CharactersButTheTreeGetsTheWholeStart) {
  ScriptedFolderBrowser system;
  std::string start(300, 'd');
  (void)BrowseFolder(system, nullptr, start);
  EXPECT_EQ(system.seenCaption, std::string(259, 'd'));
  EXPECT_EQ(system.seenStart, std::string(300, 'd'));
}

}  // namespace
}  // namespace dbt
