// The Flash runtime functions, and the runtime check of the preparation, on
// the fake control factory.
#include <gtest/gtest.h>

#include <algorithm>

#include "dataFunctions_shared.h"
#include "flash_control.h"
#include "form_fixture.h"
#include "step_codes.h"

namespace {

using fake::FakeFlashControls;
using fake::PackageImage;
using fake::TextBytes;

class FlashRuntimeTest : public fake::FormTest {
 protected:
  FakeFlashControls& controls = fs.flashControls;

  void NoControl() { controls.failCreations = 1'000'000; }
  // The FlashVersion questions numbered in `failing` fail.
  void FailVersionQuestions(std::vector<int> failing) {
    controls.fails = [failing](const std::string& call, int number) {
      return call == "FlashVersion" &&
             std::find(failing.begin(), failing.end(), number) != failing.end();
    };
  }
  static PackageImage WithRuntimeInstaller(uint8_t previewKind = 2) {
    return PackageImage::Complete()
        .Switches(previewKind, 0, 0, 0)
        .Slot(2, {"flashax.exe", saver::kTypeWindowsLibrary, TextBytes("MZ runtime installer")});
  }
  std::vector<std::string> Boxes() const { return BoxTexts(); }
};

TEST_F(FlashRuntimeTest, VersionOfTheFirstProbeWhichIsDestroyed) {
  controls.version = 0x90115;
  EXPECT_EQ(setup::FlashRuntimeVersion(fs), 0x90115);
  EXPECT_EQ(controls.log, (std::vector<std::string>{"Create", "FlashVersion", "Destroy"}));
  EXPECT_EQ(controls.alive, 0);
  EXPECT_EQ(controls.shown, 0);
}

TEST_F(FlashRuntimeTest, NoControlMeansAThousandAttemptsAndVersionZero) {
  NoControl();
  EXPECT_EQ(setup::FlashRuntimeVersion(fs), 0);
  EXPECT_EQ(controls.calls["Create"], 1000);
}

TEST_F(FlashRuntimeTest, ControlCreatedOnTheLastAttemptStillAnswers) {
  controls.failCreations = 999;
  controls.version = 0x60000;
  EXPECT_EQ(setup::FlashRuntimeVersion(fs), 0x60000);
  controls.calls.clear();
  controls.failCreations = 1000;
  EXPECT_EQ(setup::FlashRuntimeVersion(fs), 0);
  EXPECT_EQ(controls.calls["Create"], 1000);
}

TEST_F(FlashRuntimeTest, ProbeThatDoesNotAnswerEndsTheLoopWithZero) {
  FailVersionQuestions({1});
  EXPECT_EQ(setup::FlashRuntimeVersion(fs), 0);
  EXPECT_EQ(controls.calls["Create"], 1);
  EXPECT_EQ(controls.alive, 0);
}

TEST_F(FlashRuntimeTest, NegativeVersionIsPassedOn) {
  controls.version = -5;
  EXPECT_EQ(setup::FlashRuntimeVersion(fs), -5);
}

TEST_F(FlashRuntimeTest, AvailableAtTheFirstAttemptWithTwoQuestions) {
  EXPECT_TRUE(setup::FlashControlAvailable(fs));
  EXPECT_EQ(controls.log,
            (std::vector<std::string>{"Create", "FlashVersion", "FlashVersion", "Destroy"}));
  EXPECT_EQ(controls.alive, 0);
  EXPECT_EQ(controls.shown, 0);
}

TEST_F(FlashRuntimeTest, NotAvailableAfterTenThousandFailedCreations) {
  NoControl();
  EXPECT_FALSE(setup::FlashControlAvailable(fs));
  EXPECT_EQ(controls.calls["Create"], 10000);
}

TEST_F(FlashRuntimeTest, AvailableOnceTheRuntimeInstallerHasRegisteredTheControl) {
  controls.failCreations = 7000;
  EXPECT_TRUE(setup::FlashControlAvailable(fs));
  EXPECT_EQ(controls.calls["Create"], 7001);
}

TEST_F(FlashRuntimeTest, FirstQuestionFailingStillCountsAsAvailable) {
  FailVersionQuestions({1});
  EXPECT_TRUE(setup::FlashControlAvailable(fs));
  EXPECT_EQ(controls.calls["Create"], 1);
  EXPECT_EQ(controls.calls["FlashVersion"], 2);
}

TEST_F(FlashRuntimeTest, SecondQuestionFailingEscapesAndTheProbeIsDestroyed) {
  FailVersionQuestions({2});
  try {
    setup::FlashControlAvailable(fs);
    FAIL() << "the error of the second question escapes";
  } catch (const flash::ControlError& e) {
    EXPECT_EQ(e.code(), FakeFlashControls::kFailure);
  }
  EXPECT_EQ(controls.alive, 0);
}

// --- the runtime check of the preparation ---

TEST_F(FlashRuntimeTest, VersionSixNeedsNoRuntimeInstaller) {
  controls.version = 0x60000;
  Install(WithRuntimeInstaller());
  form.FormCreate();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\flashax.exe"));
  EXPECT_TRUE(fs.shellCalls.empty());
  EXPECT_EQ(controls.calls["Create"], 2);  // one probe per question, each at its first attempt
  EXPECT_EQ(view.moviePath, "C:\\WINDOWS\\Aqua dir\\installer.scf");
}

TEST_F(FlashRuntimeTest, OlderVersionRunsTheRuntimeInstaller) {
  controls.version = 0x5FFFF;
  Install(WithRuntimeInstaller());
  form.FormCreate();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(fs.FileText("C:\\WINDOWS\\flashax.exe"), "MZ runtime installer");
  ASSERT_EQ(fs.shellCalls.size(), 1u);
  EXPECT_EQ(fs.shellCalls[0].file, "C:\\WINDOWS\\flashax.exe");
  EXPECT_EQ(fs.shellCalls[0].parameters, "/Q");
  EXPECT_TRUE(fs.shellCalls[0].hidden);
}

TEST_F(FlashRuntimeTest, NoControlRunsTheInstallerThenTriesTenThousandTimes) {
  NoControl();
  Install(WithRuntimeInstaller());
  form.FormCreate();
  EXPECT_EQ(controls.calls["Create"], 1000 + 10000);
  EXPECT_EQ(fs.shellCalls.size(), 1u);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Installer file is corrupted. Error -402. "});
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(controls.alive, 0);
}

TEST_F(FlashRuntimeTest, ControlRegisteredByTheInstallerDuringTheCheckIsAccepted) {
  controls.failCreations = 1000 + 3;
  Install(WithRuntimeInstaller());
  form.FormCreate();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(fs.shellCalls.size(), 1u);
  EXPECT_EQ(view.moviePath, "C:\\WINDOWS\\Aqua dir\\installer.scf");
}

TEST_F(FlashRuntimeTest, PackageWithoutRuntimeInstallerEndsWithMinus402) {
  NoControl();
  Install(PackageImage::Complete().Switches(2, 0, 0, 0));
  form.FormCreate();
  EXPECT_TRUE(fs.shellCalls.empty());
  EXPECT_EQ(controls.calls["Create"], 1000);  // availability is not asked
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Installer file is corrupted. Error -402. "});
  // The failed preparation leaves its saver folder without the manifest.
  EXPECT_TRUE(fs.DirectoryExists("C:\\WINDOWS\\Aqua dir"));
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua dir\\saver.ini"));
}

TEST_F(FlashRuntimeTest, MissingInstallerFileGivesMinus401AndStartsNothing) {
  EXPECT_EQ(setup::RunFlashInstaller(fs, "C:\\WINDOWS\\"), app::kErrNoFlashInstaller);
  EXPECT_TRUE(fs.shellCalls.empty());
}

TEST_F(FlashRuntimeTest, EveryRuntimeCheckFailureEndsAsMinus402) {
  struct Case {
    intptr_t shell;
    int32_t runResult;
  };
  for (const Case c :
       {Case{0, app::kErrNoMemory}, Case{1, 1}, Case{2, 2}, Case{31, 31}, Case{32, 32}}) {
    SCOPED_TRACE(c.shell);
    fake::FakePlatform platform;
    platform.AddFile("C:\\WINDOWS\\flashax.exe", "MZ");
    platform.shellResult = c.shell;
    EXPECT_EQ(setup::RunFlashInstaller(platform, "C:\\WINDOWS\\"), c.runResult);
  }
  fs.shellResult = 0;
  controls.version = 0x50000;
  Install(WithRuntimeInstaller());
  form.FormCreate();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Installer file is corrupted. Error -402. "});
  EXPECT_EQ(controls.calls["Create"], 1);  // availability is not asked after a failed start
}

TEST_F(FlashRuntimeTest, RuntimeInstallerGoneBeforeItStartsEndsAsMinus402) {
  controls.version = 0;
  fs.vanishOnClose.insert("C:\\WINDOWS\\FLASHAX.EXE");
  Install(WithRuntimeInstaller());
  form.FormCreate();
  EXPECT_TRUE(fs.shellCalls.empty());
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Installer file is corrupted. Error -402. "});
}

TEST_F(FlashRuntimeTest, ShellErrorNumberEndsAsMinus402) {
  fs.shellResult = 5;
  controls.version = 0;
  Install(WithRuntimeInstaller());
  form.FormCreate();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Installer file is corrupted. Error -402. "});
}

class RuntimeCheckForEveryKind : public FlashRuntimeTest,
                                 public ::testing::WithParamInterface<uint8_t> {};

TEST_P(RuntimeCheckForEveryKind, NoControlPossibleEndsWithMinus402) {
  NoControl();
  Install(WithRuntimeInstaller(GetParam()));
  form.FormCreate();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Installer file is corrupted. Error -402. "});
  EXPECT_EQ(fs.shellCalls.size(), 1u);
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(view.moviePath, "");
  EXPECT_FALSE(fs.HasFile("C:\\WINDOWS\\Aqua.scr"));  // a silent package installs nothing
}

INSTANTIATE_TEST_SUITE_P(PreviewKinds, RuntimeCheckForEveryKind,
                         ::testing::Values(0, 1, 2, 3, 4, 5, 255));

TEST_F(FlashRuntimeTest, ControlThatDoesNotAnswerTheSecondQuestionFailsThePreparation) {
  // Version question, then the availability check's two questions.
  FailVersionQuestions({3});
  Install(WithRuntimeInstaller());
  EXPECT_THROW(form.FormCreate(), flash::ControlError);
  // No step code box: the error leaves the preparation as it is, and the
  // program's error box shows it (app/win32/installer_unl.cpp).
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(view.terminated);
  EXPECT_EQ(view.moviePath, "");
  EXPECT_EQ(controls.alive, 0);
}

TEST_F(FlashRuntimeTest, NoProbeOutlivesTheCheckOnAnyPath) {
  for (int failCreations : {0, 5, 999, 1000, 1005, 11000}) {
    SCOPED_TRACE(failCreations);
    fake::FakePlatform platform;
    platform.flashControls.failCreations = failCreations;
    setup::FlashRuntimeVersion(platform);
    EXPECT_EQ(platform.flashControls.alive, 0);
    setup::FlashControlAvailable(platform);
    EXPECT_EQ(platform.flashControls.alive, 0);
    EXPECT_EQ(platform.flashControls.shown, 0);
  }
}

}  // namespace
