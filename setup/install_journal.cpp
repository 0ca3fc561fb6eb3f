#include "install_journal.h"

#include <algorithm>

#include "install_paths.h"
#include "small_file.h"
#include "step_codes.h"

namespace setup {
namespace {

constexpr char kMarker[] = "install journal 1";
constexpr char kIniFile[] = "system.ini";
constexpr char kIniSection[] = "boot";
constexpr char kIniKey[] = "SCRNSAVE.EXE";
constexpr int kMaxBackupNumber = 100000;
// A journal larger than this is none this installer wrote.
constexpr int64_t kLongestJournal = 1 << 24;

std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// "~ib" followed by digits and ".tmp": the only names a backup has.
bool IsBackupName(const std::string& name) {
  constexpr std::string_view kPrefix = "~ib", kSuffix = ".tmp";
  if (name.size() <= kPrefix.size() + kSuffix.size()) return false;
  if (!saver::SameName(std::string_view(name).substr(0, kPrefix.size()), kPrefix)) return false;
  if (!saver::SameName(std::string_view(name).substr(name.size() - kSuffix.size()), kSuffix)) {
    return false;
  }
  const std::string digits = name.substr(kPrefix.size(), name.size() - 7);
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> SplitFields(const std::string& line, size_t maxFields) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (fields.size() + 1 < maxFields) {
    const size_t bar = line.find('|', start);
    if (bar == std::string::npos) break;
    fields.push_back(line.substr(start, bar - start));
    start = bar + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

}  // namespace

InstallJournal::InstallJournal(os::Platform& platform, std::string journalPath, PathCheck allowed)
    : platform_(platform), journalPath_(std::move(journalPath)), allowed_(std::move(allowed)) {}

InstallJournal::~InstallJournal() {
  if (!file_) return;
  try {
    file_->Close();
  } catch (const os::IoError&) {
    // Every entry was written when it was made; the handle goes anyway.
  }
}

InstallJournal::Entry* InstallJournal::Find(const std::string& path) {
  for (Entry& entry : entries_) {
    if ((entry.kind == 'C' || entry.kind == 'B') && saver::SameName(entry.path, path)) {
      return &entry;
    }
  }
  return nullptr;
}

bool InstallJournal::Recorded(const std::string& path) const {
  return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
    return (entry.kind == 'C' || entry.kind == 'B') && saver::SameName(entry.path, path);
  });
}

std::string InstallJournal::NewBackupName(const std::string& path) const {
  const std::string folder = FolderOf(path);
  for (int n = 1; n <= kMaxBackupNumber; ++n) {
    const std::string candidate = folder + "~ib" + std::to_string(n) + ".tmp";
    const bool used = std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
      return saver::SameName(entry.backup, candidate);
    });
    if (!used && !platform_.FileExists(candidate) && !platform_.DirectoryExists(candidate)) {
      return candidate;
    }
  }
  return "";
}

int32_t InstallJournal::BeforeWrite(const std::string& path) {
  if (!allowed_(path)) return app::kErrInvalidEntry;
  if (Find(path)) return app::kOk;
  Entry entry{'C', path, "", false};
  const bool exists = platform_.FileExists(path);
  if (exists) {
    entry.kind = 'B';
    entry.backup = NewBackupName(path);
    if (entry.backup.empty()) return os::err::kAlreadyExists;
  }
  // The entry is saved before the backup is made: a run killed in between
  // leaves an entry without a backup, which the next run passes over.
  const int32_t saved = AppendEntry(entry);
  if (saved != app::kOk) return saved;
  if (exists && !platform_.CopyFile(path, entry.backup)) {
    int32_t code = platform_.LastError();
    if (code == app::kOk) code = os::err::kWriteFault;
    // A file held open without sharing can be neither read nor deleted.
    if (code == os::err::kSharingViolation) code = app::kErrFileBusy;
    RemoveFile(entry.backup);
    entries_.pop_back();
    // Should this save fail, the entry left in the file names no backup,
    // and the next run passes it over.
    SaveQuietly();
    return code;
  }
  return app::kOk;
}

void InstallJournal::Discard(const std::string& path) {
  Entry* entry = Find(path);
  if (!entry) return;
  if (entry->kind == 'B') RemoveFile(entry->backup);
  entries_.erase(entries_.begin() + (entry - entries_.data()));
  // A stale entry for an unchanged file names a backup that is gone, so a
  // later recovery passes it over.
  SaveQuietly();
}

int32_t InstallJournal::BeforeScreenSaverEntry() {
  if (std::any_of(entries_.begin(), entries_.end(), [](const Entry& e) { return e.kind == 'S'; })) {
    return app::kOk;
  }
  Entry entry{'S', "", "", false};
  entry.present = platform_.ReadIniString(kIniFile, kIniSection, kIniKey, entry.backup);
  return AppendEntry(entry);
}

int32_t InstallJournal::AppendEntry(const Entry& entry) {
  try {
    Append(entry);
  } catch (const os::IoError& e) {
    return e.code();
  }
  return app::kOk;
}

void InstallJournal::SaveQuietly() {
  try {
    Save();
  } catch (const os::IoError&) {
    // The file keeps older entries; each is found done or still to do later.
  }
}

bool InstallJournal::RemoveFile(const std::string& path) {
  if (!platform_.FileExists(path)) return true;
  if (platform_.DeleteFile(path)) return true;
  platform_.SetAttributes(path, os::kAttrNormal);
  platform_.DeleteFile(path);
  return !platform_.FileExists(path);
}

bool InstallJournal::Undo(const Entry& entry) {
  switch (entry.kind) {
    case 'C':
      return RemoveFile(entry.path);
    case 'B':
      if (!platform_.FileExists(entry.backup)) return true;
      if (!RemoveFile(entry.path)) return false;
      return platform_.MoveFile(entry.backup, entry.path);
    case 'S':
      return entry.present ? platform_.WriteIniString(kIniFile, kIniSection, kIniKey, entry.backup)
                           : platform_.DeleteIniString(kIniFile, kIniSection, kIniKey);
    case 'D':
      return RemoveFile(entry.backup);
    default:
      return true;
  }
}

void InstallJournal::Rollback() {
  std::vector<Entry> left;
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (!Undo(*it)) left.insert(left.begin(), *it);
  }
  entries_ = std::move(left);
  SaveQuietly();
}

void InstallJournal::Commit() {
  std::vector<Entry> backups;
  for (const Entry& entry : entries_) {
    if (entry.kind == 'B' || entry.kind == 'D') backups.push_back({'D', "", entry.backup, false});
  }
  entries_ = std::move(backups);
  Rollback();  // deletes each backup that a 'D' entry names
}

std::string InstallJournal::Line(const Entry& entry) {
  std::string text(1, entry.kind);
  if (entry.kind == 'C') text += "|" + entry.path;
  if (entry.kind == 'B') text += "|" + entry.path + "|" + entry.backup;
  if (entry.kind == 'D') text += "|" + entry.backup;
  if (entry.kind == 'S') text += std::string("|") + (entry.present ? "1|" : "0|") + entry.backup;
  return text + "\r\n";
}

void InstallJournal::Save(bool keepOpen) {
  if (file_) {
    std::unique_ptr<os::WriteStream> file = std::move(file_);
    file->Close();
  }
  if (entries_.empty()) {
    RemoveFile(journalPath_);
    return;
  }
  std::string text = std::string(kMarker) + "\r\n";
  for (const Entry& entry : entries_) text += Line(entry);
  std::unique_ptr<os::WriteStream> file = platform_.CreateFile(journalPath_);
  const auto size = static_cast<uint32_t>(text.size());
  if (file->Write(text.data(), size) != size) throw os::IoError(os::err::kShortWrite);
  if (keepOpen) {
    file_ = std::move(file);
  } else {
    file->Close();
  }
}

void InstallJournal::Append(const Entry& entry) {
  entries_.push_back(entry);
  try {
    if (!file_) {
      Save(true);
      return;
    }
    const std::string line = Line(entry);
    const auto size = static_cast<uint32_t>(line.size());
    if (file_->Write(line.data(), size) != size) throw os::IoError(os::err::kShortWrite);
  } catch (const os::IoError&) {
    // The file may hold part of the line: it is rewritten at the next change.
    file_.reset();
    entries_.pop_back();
    throw;
  }
}

bool InstallJournal::Valid(const Entry& entry) const {
  const auto isBackup = [&](const std::string& backup, const std::string& of) {
    const std::string folder = FolderOf(backup);
    return allowed_(backup) && IsBackupName(backup.substr(folder.size())) &&
           (of.empty() || saver::SameName(folder, FolderOf(of)));
  };
  switch (entry.kind) {
    case 'C':
      return allowed_(entry.path);
    case 'B':
      return allowed_(entry.path) && isBackup(entry.backup, entry.path);
    case 'D':
      return isBackup(entry.backup, "");
    case 'S':
      return true;
    default:
      return false;
  }
}

// Reads the journal file; false when there is none or it is not a journal.
// Lines that do not parse or name a path the check refuses are dropped.
bool InstallJournal::Load() {
  std::string text;
  try {
    text = ReadSmallFile(platform_, journalPath_, kLongestJournal);
  } catch (const os::IoError&) {
    return false;
  }
  size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first) {
      if (line != kMarker) return false;
      first = false;
      continue;
    }
    if (line.size() < 2 || line[1] != '|') continue;
    const std::vector<std::string> f = SplitFields(line.substr(2), line[0] == 'D' ? 1 : 2);
    Entry entry{line[0], "", "", false};
    if (entry.kind == 'C' || entry.kind == 'B') entry.path = f[0];
    if (entry.kind == 'B' && f.size() == 2) entry.backup = f[1];
    if (entry.kind == 'D') entry.backup = f[0];
    if (entry.kind == 'S' && f.size() == 2 && (f[0] == "0" || f[0] == "1")) {
      entry.present = f[0] == "1";
      entry.backup = f[1];
    } else if (entry.kind == 'S') {
      continue;
    }
    if (Valid(entry)) entries_.push_back(entry);
  }
  return !first;
}

void InstallJournal::Recover(os::Platform& platform, const std::string& journalPath,
                             const PathCheck& allowed) {
  InstallJournal journal(platform, journalPath, allowed);
  if (!journal.Load()) return;
  journal.Rollback();
}

}  // namespace setup
