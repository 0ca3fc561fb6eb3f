#include "FlashPanel.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "fake_flash.h"

namespace {

using flash::TFlashPanel;

class FakePanelWindow : public flash::PanelWindow {
 public:
  flash::WindowHandle Handle() override { return 0x1234; }
  bool Visible() override { return visible; }
  int Width() override { return width; }
  int Height() override { return height; }
  void SetColor(uint32_t c) override {
    color = c;
    ++colorWrites;
  }
  void Invalidate() override { ++invalidations; }
  void Focus() override {
    if (focusFails) throw std::runtime_error("Cannot focus a disabled or invisible window");
    ++focused;
  }
  void HandleMessage() override {
    ++messagesHandled;
    if (messageFails) throw std::runtime_error("error in a message handler");
  }

  bool visible = true;
  int width = 350, height = 150;
  uint32_t color = 0xFFFFFF;
  int colorWrites = 0, invalidations = 0, focused = 0, messagesHandled = 0;
  bool focusFails = false, messageFails = false;
};

class FlashPanelTest : public ::testing::Test {
 protected:
  // Log lines from `from` on.
  std::vector<std::string> LogFrom(size_t from) const {
    return {controls.log.begin() + static_cast<std::ptrdiff_t>(from), controls.log.end()};
  }
  void FailEvery(const std::string& name) {
    controls.fails = [name](const std::string& call, int) { return call == name; };
  }

  FakePanelWindow window;
  fake::FakeFlashControls controls;
  TFlashPanel panel{window, controls};
};

TEST_F(FlashPanelTest, StartsEmptyAndBlackWithoutAControl) {
  EXPECT_EQ(window.color, flash::kBlack);
  EXPECT_EQ(panel.hostedControl(), nullptr);
  EXPECT_EQ(panel.swfFilename, "");
  EXPECT_FALSE(panel.enableAllowScale);
  EXPECT_EQ(panel.allowScale(), 0);
  EXPECT_EQ(controls.calls["Create"], 0);
}

TEST_F(FlashPanelTest, OpenMovieCreatesConfiguresLoadsAndPlaysInThisOrder) {
  window.width = 352;
  window.height = 151;
  panel.OpenMovie("C:\\WINDOWS\\Aqua dir\\preview.swf");
  const std::vector<std::string> expected = {"Create",
                                             "PlaceIn 352x151",
                                             "FSCommandHandler",
                                             "ScaleMode 0",
                                             "SetVariable Align=AlClient",
                                             "WMode Opaque",
                                             "Menu false",
                                             "Movie C:\\WINDOWS\\Aqua dir\\preview.swf",
                                             "Play"};
  EXPECT_EQ(controls.log, expected);
  EXPECT_EQ(panel.swfFilename, "C:\\WINDOWS\\Aqua dir\\preview.swf");
  EXPECT_NE(panel.hostedControl(), nullptr);
  EXPECT_EQ(controls.shown, 1);
}

TEST_F(FlashPanelTest, ControlKeepsTheSizeOfItsCreation) {
  panel.OpenMovie("a.swf");
  window.width = 500;
  window.height = 400;
  panel.ActivateMovie();
  EXPECT_EQ(controls.Lines("PlaceIn"), std::vector<std::string>{"PlaceIn 350x150"});
}

TEST_F(FlashPanelTest, EmptyPathLeavesThePanelAsItWas) {
  panel.OpenMovie("");
  EXPECT_TRUE(controls.log.empty());
  panel.OpenMovie("a.swf");
  const size_t before = controls.log.size();
  panel.OpenMovie("");
  EXPECT_EQ(controls.log.size(), before);
  EXPECT_EQ(panel.swfFilename, "a.swf");
  EXPECT_NE(panel.hostedControl(), nullptr);
}

TEST_F(FlashPanelTest, SamePathDoesNotReloadButOtherLetterCaseDoes) {
  panel.OpenMovie("C:\\Saver\\Movie.swf");
  const size_t before = controls.log.size();
  panel.OpenMovie("C:\\Saver\\Movie.swf");
  EXPECT_EQ(controls.log.size(), before);

  panel.OpenMovie("C:\\SAVER\\movie.swf");
  const std::vector<std::string> reload = {"StopPlay",
                                           "Destroy",
                                           "Create",
                                           "PlaceIn 350x150",
                                           "FSCommandHandler",
                                           "ScaleMode 0",
                                           "SetVariable Align=AlClient",
                                           "WMode Opaque",
                                           "Menu false",
                                           "Movie C:\\SAVER\\movie.swf",
                                           "Play"};
  EXPECT_EQ(LogFrom(before), reload);
  EXPECT_EQ(controls.alive, 1);
  EXPECT_EQ(window.messagesHandled, 1);
}

TEST_F(FlashPanelTest, CloseMovieOnAnEmptyPanelOnlyBlackensAndForgetsThePath) {
  panel.swfFilename = "set without a movie";
  window.color = 0x123456;
  panel.CloseMovie();
  EXPECT_EQ(window.color, flash::kBlack);
  EXPECT_EQ(panel.swfFilename, "");
  EXPECT_TRUE(controls.log.empty());
  EXPECT_EQ(window.messagesHandled, 0);
}

TEST_F(FlashPanelTest, CloseMovieStopsDestroysAndHandlesOneMessage) {
  panel.OpenMovie("a.swf");
  const size_t before = controls.log.size();
  panel.CloseMovie();
  EXPECT_EQ(LogFrom(before), (std::vector<std::string>{"StopPlay", "Destroy"}));
  EXPECT_EQ(window.messagesHandled, 1);
  EXPECT_EQ(controls.alive, 0);
  EXPECT_EQ(panel.hostedControl(), nullptr);
  EXPECT_EQ(window.color, flash::kBlack);
  EXPECT_EQ(panel.swfFilename, "");
}

TEST_F(FlashPanelTest, ReopeningThePreviousPathAfterCloseMovieLoadsItAgain) {
  panel.OpenMovie("a.swf");
  panel.CloseMovie();
  const size_t before = controls.log.size();
  panel.OpenMovie("a.swf");
  const std::vector<std::string> tail = LogFrom(before);
  ASSERT_FALSE(tail.empty());
  EXPECT_EQ(tail.front(), "Create");
  EXPECT_EQ(tail.back(), "Play");
  EXPECT_EQ(controls.alive, 1);
}

TEST_F(FlashPanelTest, CreateFlashGivesUpAfterTenThousandFailedCreations) {
  controls.failCreations = 1'000'000;
  panel.OpenMovie("a.swf");
  EXPECT_EQ(controls.calls["Create"], 10000);
  EXPECT_EQ(panel.hostedControl(), nullptr);
  EXPECT_EQ(window.color, flash::kBlack);
  EXPECT_EQ(panel.swfFilename, "a.swf");
  EXPECT_TRUE(controls.Lines("Movie").empty());
  EXPECT_EQ(panel.CreateFlash(), flash::kErrFlashNotCreated);
}

TEST_F(FlashPanelTest, NamedButEmptyPanelRetriesOnlyForAnotherPathOrAfterClosing) {
  controls.failCreations = 10000;
  panel.OpenMovie("a.swf");
  panel.OpenMovie("a.swf");
  EXPECT_EQ(controls.calls["Create"], 10000);
  panel.OpenMovie("b.swf");
  EXPECT_EQ(controls.calls["Create"], 10001);
  EXPECT_EQ(controls.Lines("Movie"), std::vector<std::string>{"Movie b.swf"});
}

TEST_F(FlashPanelTest, CreationSucceedsAfterSomeFailures) {
  controls.failCreations = 9999;
  EXPECT_EQ(panel.CreateFlash(), 0);
  EXPECT_EQ(controls.calls["Create"], 10000);
  EXPECT_EQ(controls.alive, 1);
}

TEST_F(FlashPanelTest, FailedSettingKeepsTheControlWithTheRemainingSettingsUnset) {
  FailEvery("SetVariable");
  panel.OpenMovie("a.swf");
  EXPECT_EQ(controls.calls["Create"], 1);
  EXPECT_TRUE(controls.Lines("WMode").empty());
  EXPECT_TRUE(controls.Lines("Menu").empty());
  EXPECT_EQ(controls.Lines("Movie"), std::vector<std::string>{"Movie a.swf"});
  EXPECT_EQ(controls.log.back(), "Play");
}

TEST_F(FlashPanelTest, FailedPlacementStillEndsTheLoopWithTheControl) {
  FailEvery("PlaceIn");
  EXPECT_EQ(panel.CreateFlash(), 0);
  EXPECT_EQ(controls.calls["Create"], 1);
  EXPECT_EQ(controls.log, std::vector<std::string>{"Create"});
}

TEST_F(FlashPanelTest, ErrorsOfLoadingOrPlayingReachTheCaller) {
  FailEvery("Movie");
  EXPECT_THROW(panel.OpenMovie("a.swf"), flash::ControlError);
  EXPECT_EQ(panel.swfFilename, "a.swf");
  FailEvery("Play");
  EXPECT_THROW(panel.OpenMovie("b.swf"), flash::ControlError);
}

TEST_F(FlashPanelTest, ReleaseFlashKeepsTheControlWhenStopPlayFails) {
  panel.OpenMovie("a.swf");
  FailEvery("StopPlay");
  EXPECT_EQ(panel.ReleaseFlash(), flash::kErrFlashNotReleased);
  EXPECT_NE(panel.hostedControl(), nullptr);
  EXPECT_EQ(controls.alive, 1);
  EXPECT_EQ(window.messagesHandled, 0);
}

TEST_F(FlashPanelTest, UnstoppableControlIsReusedForTheNextMovie) {
  panel.OpenMovie("a.swf");
  FailEvery("StopPlay");
  const size_t before = controls.log.size();
  panel.OpenMovie("b.swf");
  EXPECT_EQ(LogFrom(before), (std::vector<std::string>{"Movie b.swf", "Play"}));
  EXPECT_EQ(controls.calls["Create"], 1);
  panel.CloseMovie();
  EXPECT_EQ(controls.alive, 1);
  EXPECT_EQ(panel.swfFilename, "");
  EXPECT_EQ(window.color, flash::kBlack);
}

TEST_F(FlashPanelTest, ErrorWhileHandlingTheMessageLeavesNoReferenceToTheDestroyedControl) {
  panel.OpenMovie("a.swf");
  window.messageFails = true;
  EXPECT_EQ(panel.ReleaseFlash(), flash::kErrFlashNotReleased);
  EXPECT_EQ(panel.hostedControl(), nullptr);
  EXPECT_EQ(controls.alive, 0);
}

TEST_F(FlashPanelTest, ReleaseFlashOnAnEmptyPanelSucceedsWithoutAMessage) {
  EXPECT_EQ(panel.ReleaseFlash(), 0);
  EXPECT_EQ(window.messagesHandled, 0);
}

TEST_F(FlashPanelTest, DestroyingThePanelDestroysItsControl) {
  {
    TFlashPanel other(window, controls);
    other.OpenMovie("a.swf");
    EXPECT_EQ(controls.alive, 1);
  }
  EXPECT_EQ(controls.alive, 0);
}

struct AllowScaleCase {
  const char* command;
  const char* args;
  int32_t expected;
};

class AllowScaleTest : public FlashPanelTest,
                       public ::testing::WithParamInterface<AllowScaleCase> {};

TEST_P(AllowScaleTest, ArgumentDecidesTheAllowScaleState) {
  panel.enableAllowScale = true;
  panel.OpenMovie("a.swf");
  // Start from the opposite answer so that every case shows a change.
  panel.SetAllowScale(1 - GetParam().expected);
  ASSERT_TRUE(controls.FireFSCommand(GetParam().command, GetParam().args));
  EXPECT_EQ(panel.allowScale(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Arguments, AllowScaleTest,
                         ::testing::Values(AllowScaleCase{"ALLOWSCALE", "true", 1},
                                           AllowScaleCase{"ALLOWSCALE", "True", 1},
                                           AllowScaleCase{"ALLOWSCALE", "TRUE", 1},
                                           AllowScaleCase{"ALLOWSCALE", "TRUE2", 1},
                                           AllowScaleCase{"allowscale", "tRuE", 1},
                                           AllowScaleCase{"AllowScale", "", 0},
                                           AllowScaleCase{"ALLOWSCALE", "tru", 0},
                                           AllowScaleCase{"ALLOWSCALE", "false", 0},
                                           AllowScaleCase{"ALLOWSCALE", " true", 0}));

TEST_F(FlashPanelTest, AllowScaleIsIgnoredWhileDisabled) {
  panel.OpenMovie("a.swf");
  ASSERT_TRUE(controls.FireFSCommand("ALLOWSCALE", "true"));
  EXPECT_EQ(panel.allowScale(), 0);
  panel.enableAllowScale = true;
  panel.FlashFSCommand("ALLOWSCALE", "true");
  panel.enableAllowScale = false;
  panel.FlashFSCommand("ALLOWSCALE", "false");
  EXPECT_EQ(panel.allowScale(), 1);
}

TEST_F(FlashPanelTest, OtherCommandsChangeNothing) {
  panel.enableAllowScale = true;
  panel.OpenMovie("a.swf");
  const size_t before = controls.log.size();
  for (const char* args : {"", "true", "false", "0"}) {
    controls.FireFSCommand("FULLSCREEN", args);
    controls.FireFSCommand("fullscreen", args);
    controls.FireFSCommand("ALLOWSCALEX", args);
    controls.FireFSCommand("", args);
  }
  EXPECT_EQ(panel.allowScale(), 0);
  EXPECT_EQ(controls.log.size(), before);
  EXPECT_EQ(window.colorWrites, 1);
}

TEST_F(FlashPanelTest, ActivateMovieRepaintsAndFocusesPanelThenControl) {
  panel.OpenMovie("a.swf");
  panel.ActivateMovie();
  EXPECT_EQ(window.invalidations, 1);
  EXPECT_EQ(window.focused, 1);
  EXPECT_EQ(controls.log.back(), "Focus");
}

TEST_F(FlashPanelTest, ActivateMovieDoesNothingOnAHiddenPanelOrWithoutAControl) {
  panel.ActivateMovie();
  panel.OpenMovie("a.swf");
  window.visible = false;
  panel.ActivateMovie();
  EXPECT_EQ(window.invalidations, 0);
  EXPECT_EQ(window.focused, 0);
  EXPECT_TRUE(controls.Lines("Focus").empty());
}

TEST_F(FlashPanelTest, ActivateMovieIgnoresEveryError) {
  panel.OpenMovie("a.swf");
  window.focusFails = true;
  EXPECT_NO_THROW(panel.ActivateMovie());
  window.focusFails = false;
  FailEvery("Focus");
  EXPECT_NO_THROW(panel.ActivateMovie());
  EXPECT_EQ(window.focused, 1);
}

}  // namespace
