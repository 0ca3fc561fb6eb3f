// FakePlatform: the registry, other programs' windows, the screensaver
// setting and started programs.
#include <algorithm>
#include <cctype>

#include "fake_platform.h"

namespace fake {
namespace {

constexpr int32_t kErrorSuccess = 0;
constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorAccessDenied = 5;

std::string UpperKey(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  while (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

bool IsSameOrUnder(const std::string& key, const std::string& root) {
  return key == root || (key.size() > root.size() && key.compare(0, root.size(), root) == 0 &&
                         key[root.size()] == '\\');
}

}  // namespace

class FakeRegistryKey : public os::RegistryKey {
 public:
  FakeRegistryKey(FakePlatform& owner, std::string key) : owner_(owner), key_(std::move(key)) {}

  int32_t SetString(const std::string& name, const std::string& value) override {
    if (owner_.failValueWrites) return owner_.failValueWrites;
    auto it = owner_.registry.find(key_);
    if (it == owner_.registry.end()) return kErrorFileNotFound;  // deleted while open
    it->second.values[UpperKey(name)] = value;
    return kErrorSuccess;
  }

  int32_t DeleteValue(const std::string& name) override {
    auto it = owner_.registry.find(key_);
    if (it == owner_.registry.end()) return kErrorFileNotFound;
    return it->second.values.erase(UpperKey(name)) ? kErrorSuccess : kErrorFileNotFound;
  }

  int32_t GetString(const std::string& name, std::string& value) override {
    auto it = owner_.registry.find(key_);
    if (it == owner_.registry.end()) return kErrorFileNotFound;
    auto found = it->second.values.find(UpperKey(name));
    if (found == it->second.values.end()) return kErrorFileNotFound;
    value = found->second;
    return kErrorSuccess;
  }

 private:
  FakePlatform& owner_;
  std::string key_;
};

bool FakePlatform::KeyDenied(const std::string& key) const {
  return std::any_of(deniedKeys.begin(), deniedKeys.end(), [&](const std::string& denied) {
    return IsSameOrUnder(key, UpperKey(denied));
  });
}

bool FakePlatform::HasKey(const std::string& path) const {
  return registry.count(UpperKey(path)) != 0;
}

std::string FakePlatform::Value(const std::string& path, const std::string& name) const {
  auto key = registry.find(UpperKey(path));
  if (key == registry.end()) return "";
  auto value = key->second.values.find(UpperKey(name));
  return value == key->second.values.end() ? "" : value->second;
}

void FakePlatform::AddValue(const std::string& path, const std::string& name,
                            const std::string& value) {
  int32_t error = 0;
  auto key = OpenMachineKey(path, true, error);
  if (key) key->SetString(name, value);
}

std::unique_ptr<os::RegistryKey> FakePlatform::OpenMachineKey(const std::string& path, bool create,
                                                              int32_t& error) {
  const std::string key = UpperKey(path);
  if (KeyDenied(key)) {
    error = kErrorAccessDenied;
    return nullptr;
  }
  if (!registry.count(key)) {
    if (!create) {
      error = kErrorFileNotFound;
      return nullptr;
    }
    // Like RegCreateKeyEx, missing parents are created too.
    for (size_t slash = key.find('\\'); slash != std::string::npos;
         slash = key.find('\\', slash + 1)) {
      registry.try_emplace(key.substr(0, slash));
    }
    registry.try_emplace(key);
  }
  error = kErrorSuccess;
  return std::make_unique<FakeRegistryKey>(*this, key);
}

int32_t FakePlatform::DeleteMachineKeyTree(const std::string& path) {
  const std::string key = UpperKey(path);
  if (KeyDenied(key)) return kErrorAccessDenied;
  if (!registry.count(key)) return kErrorFileNotFound;
  std::erase_if(registry, [&](const auto& entry) { return IsSameOrUnder(entry.first, key); });
  return kErrorSuccess;
}

os::WindowId FakePlatform::FindTopLevelWindow(const std::string& title) {
  ++windowLookups;
  auto it = openWindows.find(title);
  if (it == openWindows.end()) return 0;
  return static_cast<os::WindowId>(std::distance(openWindows.begin(), it) + 1);
}

void FakePlatform::ClickDialogButton(os::WindowId window, int buttonId) {
  if (window == 0 || window > openWindows.size()) return;
  const std::string title = *std::next(openWindows.begin(), static_cast<long>(window - 1));
  ++windowClicks[title];
  if (buttonId == 2 && cancelClosesWindow.count(title)) openWindows.erase(title);
}

bool FakePlatform::SetScreenSaverActive() {
  ++screenSaverActivations;
  return screenSaverActivation;
}

bool FakePlatform::StartProgram(const std::string& commandLine) {
  startedPrograms.push_back(commandLine);
  if (onStartProgram) onStartProgram(commandLine);
  return true;
}

}  // namespace fake
