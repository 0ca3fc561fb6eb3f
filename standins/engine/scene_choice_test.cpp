#include "scene_choice.h"

#include <gtest/gtest.h>

#include <set>

#include "summary.h"

namespace engine {
namespace {

constexpr char kFolder[] = "C:\\WINDOWS\\Aqua dir\\";

SceneChoice Choose(const std::string& picture, bool movies, std::set<std::string> present) {
  return ChooseScene(kFolder, picture, movies,
                     [&present](const std::string& path) { return present.count(path) > 0; });
}

TEST(SceneChoice, ThePictureOfTheSettingsThenThePreviewBitmapThenTheDrawing) {
  const std::string own = std::string(kFolder) + "sea.bmp";
  const std::string preview = std::string(kFolder) + "installer.BMP";
  EXPECT_EQ(Choose("sea.bmp", false, {own, preview}), (SceneChoice{SceneKind::kBitmap, own}));
  EXPECT_EQ(Choose("sea.bmp", false, {preview}), (SceneChoice{SceneKind::kBitmap, preview}));
  EXPECT_EQ(Choose("", false, {preview}), (SceneChoice{SceneKind::kBitmap, preview}));
  EXPECT_EQ(Choose("", false, {}), SceneChoice{});
  EXPECT_EQ(Choose("notes.txt", false, {std::string(kFolder) + "notes.txt"}), SceneChoice{});
}

TEST(SceneChoice, AMovieOnlyWhenMoviesCanBePlayed) {
  const std::string movie = std::string(kFolder) + "saver.scf";
  const std::string preview = std::string(kFolder) + "installer.BMP";
  EXPECT_EQ(Choose("saver.scf", true, {movie, preview}), (SceneChoice{SceneKind::kMovie, movie}));
  EXPECT_EQ(Choose("saver.scf", false, {movie, preview}),
            (SceneChoice{SceneKind::kBitmap, preview}));
  EXPECT_EQ(KindOfPicture("A.SWF"), SceneKind::kMovie);
  EXPECT_EQ(KindOfPicture("x.Bmp"), SceneKind::kBitmap);
  EXPECT_EQ(KindOfPicture("bmp"), SceneKind::kDrawn);
}

TEST(SettingsSummary, SaysWhatIsShownWithWhichSettings) {
  saver::SaverSettings settings;
  settings.background = 0x00302010;
  settings.speed = 75;
  const std::string drawn = SettingsSummary("Aqua", settings, SceneChoice{});
  EXPECT_EQ(drawn,
            "Aqua Screen Saver\r\n\r\nShows: a drawn animation\r\nText: Aqua\r\nColours: "
            "#FFFFFF on #102030\r\nSpeed: 75 pixels per second\r\n\r\nThese settings come "
            "with the screen saver.");
  settings.text = "Deep";
  const std::string picture = SettingsSummary(
      "Aqua", settings, SceneChoice{SceneKind::kBitmap, std::string(kFolder) + "installer.BMP"});
  EXPECT_NE(picture.find("Shows: the picture installer.BMP\r\nText: Deep"), std::string::npos);
}

}  // namespace
}  // namespace engine
