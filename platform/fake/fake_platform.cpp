#include "fake_platform.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "dcl.h"

namespace fake {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class FakeLibrary : public os::Library {
 public:
  explicit FakeLibrary(const std::set<std::string>& missing) : missing_(missing) {}
  void* Symbol(const char* name) override {
    if (missing_.count(name)) return nullptr;
    if (std::strcmp(name, "_implode") == 0) return reinterpret_cast<void*>(&dcl_implode);
    if (std::strcmp(name, "_explode") == 0) return reinterpret_cast<void*>(&dcl_explode);
    if (std::strcmp(name, "_crc32") == 0) return reinterpret_cast<void*>(&dcl_crc32);
    return nullptr;
  }

 private:
  std::set<std::string> missing_;
};

}  // namespace

class FakeReadStream : public os::ReadStream {
 public:
  FakeReadStream(FakePlatform& owner, std::string key) : owner_(owner), key_(std::move(key)) {
    ++owner_.files_.at(key_).readers;
  }
  ~FakeReadStream() override { Release(); }
  FakeReadStream(const FakeReadStream&) = delete;
  FakeReadStream& operator=(const FakeReadStream&) = delete;
  void Seek(int64_t position) override {
    if (position < 0) throw os::IoError(131);  // ERROR_NEGATIVE_SEEK
    position_ = position;
  }
  uint32_t Read(void* buffer, uint32_t count) override {
    auto fail = owner_.failRead.find(key_);
    if (fail != owner_.failRead.end()) throw os::IoError(fail->second);
    int64_t& largest = owner_.largestRead[key_];
    largest = std::max<int64_t>(largest, count);
    const Bytes& data = owner_.files_.at(key_).data;
    if (count == 0 || position_ >= static_cast<int64_t>(data.size())) return 0;
    const auto n = static_cast<uint32_t>(
        std::min<int64_t>(count, static_cast<int64_t>(data.size()) - position_));
    std::memcpy(buffer, data.data() + position_, n);
    position_ += n;
    owner_.bytesRead[key_] += n;
    return n;
  }
  int64_t Size() override { return static_cast<int64_t>(owner_.files_.at(key_).data.size()); }
  void Close() override {
    auto fail = owner_.failCloseRead.find(key_);
    if (fail != owner_.failCloseRead.end()) throw os::IoError(fail->second);
    Release();
  }

 private:
  void Release() {
    if (released_) return;
    released_ = true;
    auto it = owner_.files_.find(key_);
    if (it != owner_.files_.end() && it->second.readers > 0) --it->second.readers;
  }

  FakePlatform& owner_;
  std::string key_;
  int64_t position_ = 0;
  bool released_ = false;
};

class FakeWriteStream : public os::WriteStream {
 public:
  FakeWriteStream(FakePlatform& owner, std::string key) : owner_(owner), key_(std::move(key)) {
    owner_.files_.at(key_).writing = true;
  }
  ~FakeWriteStream() override { Release(); }
  FakeWriteStream(const FakeWriteStream&) = delete;
  FakeWriteStream& operator=(const FakeWriteStream&) = delete;
  uint32_t Write(const void* buffer, uint32_t count) override {
    auto limit = owner_.shortWrite.find(key_);
    if (limit != owner_.shortWrite.end()) count = std::min(count, limit->second);
    Bytes& data = owner_.files_.at(key_).data;
    const auto* p = static_cast<const uint8_t*>(buffer);
    if (count > 0) data.insert(data.end(), p, p + count);
    int64_t& peak = owner_.peakSize[key_];
    peak = std::max(peak, static_cast<int64_t>(data.size()));
    return count;
  }
  // Close stands in for destruction as well: a file the test wants gone
  // after writing disappears here.
  void Close() override {
    Release();
    if (owner_.vanishOnClose.count(key_)) owner_.files_.erase(key_);
  }

 private:
  void Release() {
    auto it = owner_.files_.find(key_);
    if (it != owner_.files_.end()) it->second.writing = false;
  }

  FakePlatform& owner_;
  std::string key_;
};

FakePlatform::FakePlatform() {
  AddDirectory("C:\\");
  AddDirectory(windowsDirectory);
  AddDirectory("C:\\Users\\user\\Desktop");
  errorTexts[2] = "The system cannot find the file specified.\r\n";
  errorTexts[3] = "The system cannot find the path specified.\r\n";
  errorTexts[5] = "Access is denied.\r\n";
  errorTexts[8] = "Not enough memory resources are available to process this command.\r\n";
  errorTexts[32] =
      "The process cannot access the file because it is being used by another process.\r\n";
  errorTexts[112] = "There is not enough space on the disk. \r\n";
}

std::string FakePlatform::Key(const std::string& path) {
  std::string k = Upper(path);
  std::replace(k.begin(), k.end(), '/', '\\');
  while (k.size() > 3 && k.back() == '\\') k.pop_back();
  return k;
}

std::string FakePlatform::Parent(const std::string& key) {
  const auto slash = key.find_last_of('\\');
  if (slash == std::string::npos) return "";
  std::string parent = key.substr(0, slash);
  if (parent.size() == 2 && parent[1] == ':') parent += '\\';
  return parent;
}

bool FakePlatform::Fail(int32_t code) {
  lastError_ = code;
  return false;
}

void FakePlatform::AddFile(const std::string& path, Bytes data) {
  const std::string key = Key(path);
  AddDirectory(Parent(key));
  files_[key].data = std::move(data);
}

void FakePlatform::AddFile(const std::string& path, const std::string& text) {
  AddFile(path, Bytes(text.begin(), text.end()));
}

void FakePlatform::AddDirectory(const std::string& path) {
  std::string key = Key(path);
  while (!key.empty() && !dirs_.count(key)) {
    dirs_.insert(key);
    const std::string parent = Parent(key);
    if (parent == key) break;
    key = parent;
  }
}

bool FakePlatform::HasFile(const std::string& path) const { return files_.count(Key(path)) > 0; }
Bytes& FakePlatform::FileData(const std::string& path) { return files_.at(Key(path)).data; }
FileNode& FakePlatform::Node(const std::string& path) { return files_.at(Key(path)); }

std::string FakePlatform::FileText(const std::string& path) {
  const Bytes& b = FileData(path);
  return std::string(b.begin(), b.end());
}

std::vector<std::string> FakePlatform::FilesUnder(const std::string& folder) const {
  // A root ("C:\\") keeps its separator as a key; other folders get one.
  std::string prefix = Key(folder);
  if (prefix.empty() || prefix.back() != '\\') prefix += '\\';
  std::vector<std::string> out;
  for (const auto& [key, node] : files_) {
    if (key.rfind(prefix, 0) == 0) out.push_back(key);
  }
  return out;
}

std::map<std::string, std::string> FakePlatform::Snapshot() const {
  std::map<std::string, std::string> state;
  for (const auto& [key, node] : files_) {
    state["file " + key] =
        std::to_string(node.attributes) + ":" + std::string(node.data.begin(), node.data.end());
  }
  for (const std::string& dir : dirs_) state["dir " + dir] = "";
  for (const auto& [key, values] : registry) {
    state["key " + key] = "";
    for (const auto& [name, value] : values.values) state["value " + key + "\\" + name] = value;
  }
  return state;
}

std::string FakePlatform::ErrorText(int32_t code) {
  auto it = errorTexts.find(code);
  return it == errorTexts.end() ? std::string() : it->second;
}

std::string FakePlatform::LoadText(unsigned id) {
  switch (id) {
#define SAVER_STRING(name, number, text) \
  case number:                           \
    return text;
#include "strings.inc"
#undef SAVER_STRING
  }
  return "";
}

bool FakePlatform::FileExists(const std::string& path) { return HasFile(path); }
bool FakePlatform::DirectoryExists(const std::string& path) { return dirs_.count(Key(path)) > 0; }

bool FakePlatform::CreateDirectory(const std::string& path) {
  const std::string key = Key(path);
  if (dirs_.count(key) || files_.count(key)) return Fail(os::err::kAlreadyExists);
  if (!dirs_.count(Parent(key))) return Fail(os::err::kPathNotFound);
  dirs_.insert(key);
  return true;
}

bool FakePlatform::DeleteFile(const std::string& path) {
  ++deleteCalls;
  auto it = files_.find(Key(path));
  if (it == files_.end()) return Fail(os::err::kFileNotFound);
  if (it->second.busy || it->second.Open()) return Fail(os::err::kSharingViolation);
  if (it->second.attributes & os::kAttrReadOnly) return Fail(os::err::kAccessDenied);
  removedPaths.push_back(it->first);
  files_.erase(it);
  return true;
}

bool FakePlatform::SetAttributes(const std::string& path, uint32_t attributes) {
  auto it = files_.find(Key(path));
  if (it == files_.end()) return Fail(os::err::kFileNotFound);
  it->second.attributes = attributes == os::kAttrNormal ? 0 : attributes;
  return true;
}

uint32_t FakePlatform::GetAttributes(const std::string& path) {
  const std::string key = Key(path);
  if (dirs_.count(key)) return os::kAttrDirectory;
  auto it = files_.find(key);
  if (it == files_.end()) {
    lastError_ = os::err::kFileNotFound;
    return 0xFFFFFFFFu;
  }
  return it->second.attributes == 0 ? os::kAttrNormal : it->second.attributes;
}

// A target that can be replaced: its folder exists and no file there is busy
// or read-only. Sets the last error otherwise.
bool FakePlatform::WritableTarget(const std::string& key) {
  if (dirs_.count(key)) return Fail(os::err::kAccessDenied);
  if (!dirs_.count(Parent(key))) return Fail(os::err::kPathNotFound);
  auto it = files_.find(key);
  if (it == files_.end()) return true;
  if (it->second.busy || it->second.Open()) return Fail(os::err::kSharingViolation);
  if (it->second.attributes & os::kAttrReadOnly) return Fail(os::err::kAccessDenied);
  return true;
}

bool FakePlatform::CopyFile(const std::string& from, const std::string& to) {
  writeTargets.push_back(to);
  // '?' and '*' cannot stand in a file name: ERROR_INVALID_NAME.
  if (from.find_first_of("?*") != std::string::npos ||
      to.find_first_of("?*") != std::string::npos) {
    return Fail(os::err::kInvalidName);
  }
  const std::string src = Key(from), dst = Key(to);
  auto fail = failCopyTo.find(dst);
  if (fail != failCopyTo.end()) return Fail(fail->second);
  auto it = files_.find(src);
  if (it == files_.end()) return Fail(os::err::kFileNotFound);
  if (it->second.busy || it->second.writing) return Fail(os::err::kSharingViolation);
  if (!WritableTarget(dst)) return false;
  FileNode copy = it->second;
  copy.busy = false;
  copy.readers = 0;
  copy.writing = false;
  files_[dst] = std::move(copy);
  return true;
}

bool FakePlatform::MoveFile(const std::string& from, const std::string& to) {
  const std::string src = Key(from), dst = Key(to);
  auto fail = failMove.find(src);
  if (fail != failMove.end()) return Fail(fail->second);
  auto it = files_.find(src);
  if (it == files_.end()) return Fail(os::err::kFileNotFound);
  if (it->second.busy || it->second.Open()) return Fail(os::err::kSharingViolation);
  if (files_.count(dst) || dirs_.count(dst)) return Fail(os::err::kAlreadyExists);
  if (!dirs_.count(Parent(dst))) return Fail(os::err::kPathNotFound);
  writeTargets.push_back(to);
  removedPaths.push_back(src);
  FileNode node = std::move(it->second);
  files_.erase(it);
  files_[dst] = std::move(node);
  return true;
}

bool FakePlatform::CopyOwnFile(const std::string& to) { return CopyFile(modulePath, to); }

os::FindResult FakePlatform::FindFile(const std::string& path) {
  auto it = files_.find(Key(path));
  if (it == files_.end()) return {};
  return {true, static_cast<int64_t>(it->second.data.size()), it->second.attributes};
}

std::unique_ptr<os::ReadStream> FakePlatform::OpenRead(const std::string& path) {
  const std::string key = Key(path);
  auto it = files_.find(key);
  if (it == files_.end()) {
    throw os::IoError(dirs_.count(Parent(key)) ? os::err::kFileNotFound : os::err::kPathNotFound);
  }
  if (it->second.busy || it->second.writing) throw os::IoError(os::err::kSharingViolation);
  return std::make_unique<FakeReadStream>(*this, key);
}

std::unique_ptr<os::WriteStream> FakePlatform::CreateFile(const std::string& path) {
  writeTargets.push_back(path);
  const std::string key = Key(path);
  auto fail = failCreate.find(key);
  if (fail != failCreate.end()) throw os::IoError(fail->second);
  if (!WritableTarget(key)) throw os::IoError(lastError_);
  files_[key] = FileNode{};
  return std::make_unique<FakeWriteStream>(*this, key);
}

std::string FakePlatform::ShortPath(const std::string& path) {
  if (!HasFile(path)) {
    lastError_ = os::err::kFileNotFound;
    return "";
  }
  return Key(path);
}

bool FakePlatform::WriteIniString(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& value) {
  if (failIniWrites) return Fail(failIniWrites);
  const std::string fileKey = IniKey(file);
  if (!WritableTarget(fileKey)) return false;
  iniWrites.push_back({file, section, key, value});
  auto& entries = ini_[fileKey][section];
  auto it = std::find_if(entries.begin(), entries.end(),
                         [&](const auto& e) { return Key(e.first) == Key(key); });
  if (it != entries.end()) {
    it->second = value;
  } else {
    entries.emplace_back(key, value);
  }
  StoreIniText(fileKey, file);
  return true;
}

bool FakePlatform::ReadIniString(const std::string& file, const std::string& section,
                                 const std::string& key, std::string& value) {
  auto it = ini_.find(IniKey(file));
  if (it == ini_.end()) return false;
  auto found = it->second.find(section);
  if (found == it->second.end()) return false;
  for (const auto& [name, text] : found->second) {
    if (Key(name) == Key(key)) {
      value = text;
      return true;
    }
  }
  return false;
}

bool FakePlatform::DeleteIniString(const std::string& file, const std::string& section,
                                   const std::string& key) {
  if (failIniWrites) return Fail(failIniWrites);
  const std::string fileKey = IniKey(file);
  if (!WritableTarget(fileKey)) return false;
  auto& entries = ini_[fileKey][section];
  std::erase_if(entries, [&](const auto& e) { return Key(e.first) == Key(key); });
  StoreIniText(fileKey, file);
  return true;
}

void FakePlatform::StoreIniText(const std::string& fileKey, const std::string& file) {
  const std::string text = IniText(file);
  files_[fileKey].data.assign(text.begin(), text.end());
}

std::string FakePlatform::IniKey(const std::string& file) const {
  if (file.find_first_of("\\/:") != std::string::npos) return Key(file);
  return Key(windowsDirectory + "\\" + file);
}

std::string FakePlatform::IniText(const std::string& file) const {
  auto it = ini_.find(IniKey(file));
  if (it == ini_.end()) return "";
  std::string text;
  for (const auto& [section, entries] : it->second) {
    text += "[" + section + "]\r\n";
    for (const auto& [key, value] : entries) text += key + "=" + value + "\r\n";
  }
  return text;
}

std::unique_ptr<os::Library> FakePlatform::LoadLibrary(const std::string& path) {
  ++loadLibraryCalls;
  if (failLoadLibrary) {
    lastError_ = failLoadLibrary;
    return nullptr;
  }
  if (!HasFile(path)) {
    lastError_ = os::err::kFileNotFound;
    return nullptr;
  }
  return std::make_unique<FakeLibrary>(missingSymbols);
}

intptr_t FakePlatform::ShellOpen(const std::string& file, const std::string& parameters,
                                 bool hidden) {
  shellCalls.push_back({file, parameters, hidden});
  return shellResult;
}

}  // namespace fake
