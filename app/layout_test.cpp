#include "layout.h"

#include <gtest/gtest.h>

#include <set>

namespace app::layout {
namespace {

// The frame of the stored window: 360 x 347 outside, 352 x 320 inside.
constexpr int kStoredFrameHeight = kStoredBounds.height - kDesignClient.height;

int ClientHeightAfterFit(bool licenceShown, int memoHeight, int frameHeight) {
  const WindowMetrics now{kStoredBounds.height, kStoredBounds.height - frameHeight, licenceShown,
                          memoHeight};
  return FitWindowHeight(now) - frameHeight;
}

TEST(FitWindowHeight, GivesTheClientHeightOfEachLicenceMode) {
  EXPECT_EQ(ClientHeightAfterFit(false, kLicenceMemoMinHeight, kStoredFrameHeight), 215);
  EXPECT_EQ(ClientHeightAfterFit(true, kLicenceMemoMinHeight, kStoredFrameHeight), 322);
}

TEST(FitWindowHeight, KeepsWhateverFrameTheWindowSystemDraws) {
  // A thin fixed frame and a thick sizeable one give the same client heights.
  for (int frame : {0, 25, 27, 38}) {
    SCOPED_TRACE(frame);
    EXPECT_EQ(ClientHeightAfterFit(false, kLicenceMemoMinHeight, frame), 215);
    EXPECT_EQ(ClientHeightAfterFit(true, kLicenceMemoMinHeight, frame), 322);
  }
  EXPECT_EQ(FitWindowHeight({500, 460, true, 103}), 40 + 322);
}

TEST(FitWindowHeight, CountsTheMemoOnlyWhenTheLicenceIsShown) {
  EXPECT_EQ(ContentHeight(false, 400), 215);
  EXPECT_EQ(ContentHeight(true, 200), 215 + 200 + 4);
}

TEST(FormResize, PlacesTheLicenceLayoutAtItsFittedHeight) {
  const ResizedLayout l = FormResize({352, 322});
  EXPECT_EQ(l.contentPanel, (Rect{0, 0, 352, 152}));
  EXPECT_EQ(l.licenseScrollBox, (Rect{0, 154, 352, 103}));
  EXPECT_EQ(l.buttonPanel, (Rect{0, 259, 352, 63}));
}

TEST(FormResize, FiftyPixelsTallerGrowsTheMemoAndMovesTheStrip) {
  const ResizedLayout before = FormResize({352, 322});
  const ResizedLayout after = FormResize({352, 372});
  EXPECT_EQ(after.buttonPanel.top, before.buttonPanel.top + 50);
  EXPECT_EQ(after.buttonPanel.height, 63);
  EXPECT_EQ(after.licenseScrollBox.top, 154);
  EXPECT_EQ(after.licenseScrollBox.height, 151);
  // The memo ends 4 pixels above the strip once it is above its minimum.
  EXPECT_EQ(after.licenseScrollBox.bottom() + 4, after.buttonPanel.top);
  // Children of the strip keep their place relative to it.
  EXPECT_EQ(after.installBtn, before.installBtn);
  EXPECT_EQ(after.progressBar, before.progressBar);
}

TEST(FormResize, HoldsTheMemoAtItsMinimumUnderTheStrip) {
  // The smallest licence window: 340 high outside, the stored frame inside.
  const int clientHeight = kMinTrackSize.height - kStoredFrameHeight;
  const ResizedLayout l = FormResize({kMinTrackSize.width - 8, clientHeight});
  EXPECT_EQ(l.licenseScrollBox.height, kLicenceMemoMinHeight);
  EXPECT_EQ(l.buttonPanel.bottom(), clientHeight);
  EXPECT_GT(l.licenseScrollBox.bottom(), l.buttonPanel.top);
  // One pixel above the point where the minimum starts to hold.
  EXPECT_EQ(FormResize({352, 322}).licenseScrollBox.height, 103);
  EXPECT_EQ(FormResize({352, 324}).licenseScrollBox.height, 103);
  EXPECT_EQ(FormResize({352, 325}).licenseScrollBox.height, 104);
}

TEST(FormResize, WiderWindowWidensMemoStripAndProgressAndMovesInstall) {
  const ResizedLayout stored = FormResize({350, 322});
  EXPECT_EQ(stored.installBtn, Control(ControlId::kInstallBtn).rect);
  EXPECT_EQ(stored.progressBar, Control(ControlId::kProgressBar).rect);

  const ResizedLayout wide = FormResize({450, 322});
  EXPECT_EQ(wide.licenseScrollBox.width, 450);
  EXPECT_EQ(wide.buttonPanel.width, 450);
  EXPECT_EQ(wide.progressBar, (Rect{1, 20, 447, 11}));
  EXPECT_EQ(wide.installBtn, (Rect{341, 36, 107, 25}));
  EXPECT_EQ(wide.installBtn.right() + 2, wide.buttonPanel.width);
  EXPECT_EQ(wide.contentPanel, (Rect{0, 0, 352, 152}));
}

TEST(FormResize, NarrowerStripShrinksProgressAndKeepsInstallAtTheRight) {
  const ResizedLayout l = FormResize({343, 215});
  EXPECT_EQ(l.buttonPanel, (Rect{0, 152, 343, 63}));
  EXPECT_EQ(l.progressBar.width, 340);
  EXPECT_EQ(l.installBtn.left, 234);
}

TEST(StoredControls, AreInCreationOrderWithTheirParentsCreatedFirst) {
  std::set<ControlId> created;
  for (size_t i = 0; i < kControls.size(); ++i) {
    const StoredControl& c = kControls[i];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(static_cast<size_t>(c.id), i);
    if (c.parent) {
      EXPECT_TRUE(created.count(*c.parent));
    }
    created.insert(c.id);
  }
  EXPECT_EQ(kControls.front().name, "licenseScrollBox");
  EXPECT_EQ(kControls.back().name, "progressBar");
}

TEST(StoredControls, HoldTheStoredGeometryAndStartState) {
  EXPECT_EQ(Control(ControlId::kLicenseScrollBox).rect, (Rect{0, 153, 350, 105}));
  EXPECT_EQ(Control(ControlId::kBmpPanel).rect, Control(ControlId::kMoviePanel1).rect);
  EXPECT_EQ(*Control(ControlId::kMoviePanel1).parent, ControlId::kContentPanel);
  EXPECT_EQ(*Control(ControlId::kInstallBtn).parent, ControlId::kButtonPanel);
  EXPECT_EQ(Control(ControlId::kButtonPanel).rect, (Rect{0, 256, 350, 63}));
  EXPECT_EQ(Control(ControlId::kLabCopying).rect, (Rect{1, 3, 419, 13}));
  EXPECT_FALSE(Control(ControlId::kLabCopying).visibleAtStart);
  EXPECT_FALSE(Control(ControlId::kDeclineBtn).visibleAtStart);
  EXPECT_TRUE(Control(ControlId::kInstallBtn).visibleAtStart);
  EXPECT_EQ(Control(ControlId::kDeclineBtn).caption, "&Decline");
  EXPECT_EQ(Control(ControlId::kInstallBtn).caption, "&Install");
  EXPECT_EQ(kMinTrackSize, (Size{359, 340}));
}

}  // namespace
}  // namespace app::layout
