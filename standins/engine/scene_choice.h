// What the engine shows: the picture named in its settings or the
// installer's preview bitmap from the saver folder, else a drawn animation.
// A movie is shown only by a build that can play movies; until then a movie
// picture falls back to the preview bitmap or the drawing.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

enum class SceneKind { kMovie, kBitmap, kDrawn };

struct SceneChoice {
  SceneKind kind = SceneKind::kDrawn;
  std::string path;  // empty for the drawn animation

  bool operator==(const SceneChoice&) const = default;
};

// The preview bitmap as the installer leaves it in the saver folder.
inline constexpr const char kPreviewBitmapName[] = "installer.BMP";

// The kind a picture's extension asks for; kDrawn for one the engine
// cannot show.
SceneKind KindOfPicture(std::string_view name);

// The first picture that exists and can be shown: the settings' picture
// (a bare name in `saverFolder`), then the preview bitmap.
SceneChoice ChooseScene(const std::string& saverFolder, const std::string& picture,
                        bool canPlayMovies, const std::function<bool(const std::string&)>& exists);

}  // namespace engine
