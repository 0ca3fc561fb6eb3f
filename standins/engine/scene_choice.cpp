#include "scene_choice.h"

#include <cctype>

#include "saver_paths.h"

namespace engine {
namespace {

std::string LowerExtension(std::string_view name) {
  const size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(name.substr(dot));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace

SceneKind KindOfPicture(std::string_view name) {
  const std::string extension = LowerExtension(name);
  if (extension == ".bmp") return SceneKind::kBitmap;
  if (extension == ".swf" || extension == ".scf") return SceneKind::kMovie;
  return SceneKind::kDrawn;
}

SceneChoice ChooseScene(const std::string& saverFolder, const std::string& picture,
                        bool canPlayMovies, const std::function<bool(const std::string&)>& exists) {
  std::vector<std::string> names;
  if (!picture.empty()) names.push_back(picture);
  names.push_back(kPreviewBitmapName);
  for (const std::string& name : names) {
    const SceneKind kind = KindOfPicture(name);
    if (kind == SceneKind::kDrawn || (kind == SceneKind::kMovie && !canPlayMovies)) continue;
    const std::string path = WithTrailingSeparator(saverFolder) + name;
    if (exists(path)) return SceneChoice{kind, path};
  }
  return SceneChoice{};
}

}  // namespace engine
