#include "settings/placement.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/ini_file.h"
#include "tests/settings/fake_settings_host.h"

namespace dbt {
namespace {

// A window that does what it is told and remembers it.
class FakeWindow : public PlacementWindow {
 public:
  WindowRect rect{100, 50, 300, 200};  // the designed placement
  int moves = 0, resizes = 0;
  bool minimizedAtStart = false;
  // As the system does, a resize tells the window's keeper its new size type at once.
  WindowPlacementKeeper* sizeNotified = nullptr;

  WindowRect CurrentRect() override { return rect; }
  void MoveTo(std::int32_t left, std::int32_t top) override {
    ++moves;
    rect.left = left;
    rect.top = top;
  }
  void ResizeTo(std::int32_t width, std::int32_t height) override {
    ++resizes;
    rect.width = width;
    rect.height = height;
    if (sizeNotified != nullptr) sizeNotified->OnSize(0);
  }
  void ShowMinimizedAtStart() override { minimizedAtStart = true; }
};

class PlacementTest : public testing::Test {
 protected:
  static constexpr const char* kIni = "D:\\Tools\\Journal.ini";
  void Store(const std::string& key, const std::string& value) {
    host.files[kIni] = *IniWriteString(host.files[kIni], "HmWinPos", key, value);
  }
  void StorePlacement(const char* x, const char* y, const char* w, const char* h,
                      const char* minm) {
    Store("HmWinPosX", x);
    Store("HmWinPosY", y);
    Store("HmWinPosW", w);
    Store("HmWinPosH", h);
    Store("HmWinPosMinm", minm);
  }
  std::string Stored(const std::string& key) {
    return IniReadString(host.files[kIni], "HmWinPos", key, "<missing>");
  }
  std::string StoredPlacement() {
    return Stored("HmWinPosX") + " " + Stored("HmWinPosY") + " " + Stored("HmWinPosW") + " " +
           Stored("HmWinPosH") + " " + Stored("HmWinPosMinm");
  }

  test::FakeSettingsHost host;
  Settings settings{host};
  WindowPlacementKeeper keeper{settings};
  FakeWindow window;
};

TEST_F(PlacementTest, WithoutSettingsFileTheDesignedPlacementIsKeptAndSaved) {
  keeper.OnInitDialog(window);
  EXPECT_EQ(window.moves + window.resizes, 0);
  keeper.OnClose();
  EXPECT_EQ(host.files[kIni],
            "[HmWinPos]\r\nHmWinPosX=100\r\nHmWinPosY=50\r\nHmWinPosW=300\r\nHmWinPosH=200\r\n"
            "HmWinPosMinm=0\r\n");
}

TEST_F(PlacementTest, FileWithoutPlacementKeysKeepsTheDesignAndStateAtZero) {
  host.files[kIni] = "[PDFtoSFF]\r\nPDFtoSFF=1\r\n[HmWinPos]\r\nHmWinPosX=  \r\n";
  keeper.OnInitDialog(window);
  EXPECT_EQ(window.moves + window.resizes, 0);
  EXPECT_EQ(keeper.State().Left, 0);
  EXPECT_EQ(keeper.State().Width, 0);
  EXPECT_EQ(keeper.State().DesignWidth, 300);
  EXPECT_EQ(keeper.State().DesignHeight, 200);
}

TEST_F(PlacementTest, AllZeroStaysAsDesignedAndIsWrittenAgain) {
  StorePlacement("0", "0", "0", "0", "0");
  keeper.OnInitDialog(window);
  EXPECT_EQ(window.moves + window.resizes, 0);
  keeper.OnClose();
  EXPECT_EQ(StoredPlacement(), "0 0 0 0 0");
}

TEST_F(PlacementTest, NegativeLeftAloneMovesNothingButWithATopMovesThere) {
  StorePlacement("-8", "0", "0", "0", "0");
  keeper.OnInitDialog(window);
  EXPECT_EQ(window.moves, 0);

  FakeWindow other;
  WindowPlacementKeeper second(settings);
  Store("HmWinPosY", "10");
  second.OnInitDialog(other);
  EXPECT_EQ(other.moves, 1);
  EXPECT_EQ(other.rect.left, -8);
  EXPECT_EQ(other.rect.top, 10);
  // Stored sizes below the design: the designed size stays and is what is remembered.
  EXPECT_EQ(other.resizes, 0);
  EXPECT_EQ(second.State().Width, 300);
  EXPECT_EQ(second.State().Height, 200);
}

TEST_F(PlacementTest, SmallerStoredSizeKeepsTheDesignedSizeForTheNextClose) {
  StorePlacement("20", "30", "250", "150", "0");
  keeper.OnInitDialog(window);
  EXPECT_EQ(window.rect.left, 20);
  EXPECT_EQ(window.rect.top, 30);
  EXPECT_EQ(window.resizes, 0);
  keeper.OnClose();
  EXPECT_EQ(StoredPlacement(), "20 30 300 200 0");
}

TEST_F(PlacementTest, OneLargerDimensionTakesBothStoredDimensions) {
  StorePlacement("20", "30", "400", "150", "0");
  keeper.OnInitDialog(window);
  EXPECT_EQ(window.resizes, 1);
  EXPECT_EQ(window.rect.width, 400);
  EXPECT_EQ(window.rect.height, 150);
  keeper.OnClose();
  EXPECT_EQ(StoredPlacement(), "20 30 400 150 0");
}

TEST_F(PlacementTest, SizeStateOneStartsMinimizedOthersNormal) {
  StorePlacement("0", "0", "0", "0", "1");
  keeper.OnInitDialog(window);
  EXPECT_TRUE(window.minimizedAtStart);  // even though nothing moved
  EXPECT_EQ(window.moves, 0);

  FakeWindow other;
  WindowPlacementKeeper second(settings);
  Store("HmWinPosMinm", "2");
  second.OnInitDialog(other);
  EXPECT_FALSE(other.minimizedAtStart);

  // Enlarging to the stored size sends "restored" before the state is looked at.
  FakeWindow enlarged;
  WindowPlacementKeeper third(settings);
  enlarged.sizeNotified = &third;
  StorePlacement("20", "30", "400", "250", "1");
  third.OnInitDialog(enlarged);
  EXPECT_EQ(enlarged.resizes, 1);
  EXPECT_TRUE(enlarged.minimizedAtStart);
}

TEST_F(PlacementTest, ValuesAreTrimmedRoundedAndLeadingTextReadsZero) {
  StorePlacement(" 120 ", "12.5", "13.5", "abc", "");
  keeper.OnInitDialog(window);
  EXPECT_EQ(keeper.State().Left, 120);
  EXPECT_EQ(keeper.State().Top, 12);
  EXPECT_EQ(window.rect.left, 120);
  EXPECT_EQ(window.rect.top, 12);
  EXPECT_EQ(keeper.State().SizeState, 0);
}

TEST_F(PlacementTest, MinimizeThenCloseWritesThePlacementFromBeforeMinimizing) {
  keeper.OnInitDialog(window);
  window.rect = {40, 60, 320, 240};  // the user moves and sizes
  keeper.OnExitSizeMove(window);
  keeper.OnSysCommand(window);  // the minimize button, before it acts
  window.rect = {-32000, -32000, 160, 24};
  keeper.OnSize(1);
  keeper.OnSysCommand(window);  // close from the task bar while minimized
  keeper.OnClose();
  EXPECT_EQ(StoredPlacement(), "40 60 320 240 1");
}

TEST_F(PlacementTest, FollowsMovesAndRestoredSizeChanges) {
  keeper.OnInitDialog(window);
  keeper.OnSize(2);
  window.rect = {0, 0, 1280, 1024};
  keeper.OnSysCommand(window);  // maximized: not taken
  EXPECT_EQ(keeper.State().Width, 300);
  keeper.OnSize(0);
  window.rect = {-4, 7, 310, 210};
  keeper.OnSysCommand(window);
  keeper.OnClose();
  EXPECT_EQ(StoredPlacement(), "-4 7 310 210 0");
}

}  // namespace
}  // namespace dbt
