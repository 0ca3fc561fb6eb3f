#include "fake_flash.h"

namespace fake {

class FakeFlashControl final : public flash::FlashControl {
 public:
  explicit FakeFlashControl(FakeFlashControls& owner) : owner_(owner) {
    ++owner_.alive;
    owner_.newest_ = this;
  }
  ~FakeFlashControl() override {
    --owner_.alive;
    if (owner_.newest_ == this) owner_.newest_ = nullptr;
    owner_.log.push_back("Destroy");
  }
  FakeFlashControl(const FakeFlashControl&) = delete;
  FakeFlashControl& operator=(const FakeFlashControl&) = delete;

  void PlaceIn(flash::WindowHandle parent, int width, int height) override {
    owner_.Call("PlaceIn", std::to_string(width) + "x" + std::to_string(height));
    if (parent != 0) ++owner_.shown;
  }
  void SetFSCommandHandler(flash::FSCommandHandler handler) override {
    owner_.Call("FSCommandHandler");
    handler_ = std::move(handler);
  }
  void SetMovie(const std::string& path) override { owner_.Call("Movie", path); }
  void SetScaleMode(int32_t mode) override { owner_.Call("ScaleMode", std::to_string(mode)); }
  void SetWMode(const std::string& mode) override { owner_.Call("WMode", mode); }
  void SetMenu(bool shown) override { owner_.Call("Menu", shown ? "true" : "false"); }
  void SetVariable(const std::string& name, const std::string& value) override {
    owner_.Call("SetVariable", name + "=" + value);
  }
  void Play() override { owner_.Call("Play"); }
  void StopPlay() override { owner_.Call("StopPlay"); }
  int32_t FlashVersion() override {
    owner_.Call("FlashVersion");
    return owner_.version;
  }
  void Focus() override { owner_.Call("Focus"); }

  bool Fire(const std::string& command, const std::string& args) {
    if (!handler_) return false;
    handler_(command, args);
    return true;
  }

 private:
  FakeFlashControls& owner_;
  flash::FSCommandHandler handler_;
};

std::unique_ptr<flash::FlashControl> FakeFlashControls::Create() {
  if (calls["Create"] < failCreations) {
    ++calls["Create"];
    throw flash::ControlError(static_cast<int32_t>(0x80040154u), "Class not registered");
  }
  Call("Create");
  return std::make_unique<FakeFlashControl>(*this);
}

bool FakeFlashControls::FireFSCommand(const std::string& command, const std::string& args) {
  return newest_ != nullptr && newest_->Fire(command, args);
}

std::vector<std::string> FakeFlashControls::Lines(const std::string& call) const {
  std::vector<std::string> lines;
  for (const std::string& line : log) {
    if (line == call || line.rfind(call + " ", 0) == 0) lines.push_back(line);
  }
  return lines;
}

void FakeFlashControls::Call(const std::string& call, const std::string& detail) {
  const int number = ++calls[call];
  if (fails && fails(call, number)) throw flash::ControlError(kFailure, "Unspecified error");
  log.push_back(detail.empty() ? call : call + " " + detail);
}

}  // namespace fake
