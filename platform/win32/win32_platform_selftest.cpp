// Self-test of os::Win32Platform against the real system (or Wine).
//
// Runs every operation of the platform in a fresh folder under the temp
// folder and prints one line per check. Exit code 0 when every check passed,
// 1 otherwise. Started as `win32_platform_selftest --child MARKER` it only
// writes how it was asked to show its window into MARKER (used by the
// ShellOpen checks).
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "handles.h"
#include "win32_platform.h"
#include "windows_api.h"

namespace {

using os::IoError;
using os::Win32Platform;

int g_checks = 0;
int g_failures = 0;

void Check(bool passed, const std::string& what) {
  ++g_checks;
  if (!passed) {
    ++g_failures;
  }
  std::printf("[%s] %s\n", passed ? " ok " : "FAIL", what.c_str());
}

void CheckNumber(long long expected, long long actual, const std::string& what) {
  Check(expected == actual,
        what + " (expected " + std::to_string(expected) + ", got " + std::to_string(actual) + ")");
}

// Shows line breaks as \r and \n so that every check stays on one output line.
std::string Escaped(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else {
      shown += c;
    }
  }
  return shown;
}

void CheckText(const std::string& expected, const std::string& actual, const std::string& what) {
  Check(expected == actual,
        what + " (expected \"" + Escaped(expected) + "\", got \"" + Escaped(actual) + "\")");
}

// Runs `action` and checks that it throws os::IoError with `code`.
void CheckIoError(int32_t code, const std::function<void()>& action, const std::string& what) {
  try {
    action();
    Check(false, what + " (expected IoError " + std::to_string(code) + ", nothing thrown)");
  } catch (const IoError& error) {
    CheckNumber(code, error.code(), what + ": IoError code");
  }
}

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         ::lstrcmpiA(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

// A scratch folder under the temp folder, removed with its contents at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    char temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp, length) + name + std::to_string(::GetCurrentProcessId());
    RemoveTree(path_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { RemoveTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  const std::string& path() const { return path_; }

 private:
  static void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    os::win32::UniqueFindHandle search(::FindFirstFileA((folder + "\\*").c_str(), &data));
    if (search) {
      do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") {
          continue;
        }
        const std::string child = folder + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(child);
        } else {
          ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
          ::DeleteFileA(child.c_str());
        }
      } while (::FindNextFileA(search.Get(), &data));
    }
    ::RemoveDirectoryA(folder.c_str());
  }

  std::string path_;
};

void WriteWhole(os::Platform& platform, const std::string& path, const std::string& bytes) {
  auto file = platform.CreateFile(path);
  file->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
  file->Close();
}

std::string ReadWhole(os::Platform& platform, const std::string& path) {
  auto file = platform.OpenRead(path);
  std::string bytes(static_cast<size_t>(file->Size()), '\0');
  const uint32_t arrived = file->Read(bytes.data(), static_cast<uint32_t>(bytes.size()));
  bytes.resize(arrived);
  return bytes;
}

void TestSystem(Win32Platform& platform) {
  std::printf("-- system\n");
  const std::string windows = platform.WindowsDirectory();
  Check(!windows.empty(), "WindowsDirectory is not empty: \"" + windows + "\"");
  Check(platform.DirectoryExists(windows), "WindowsDirectory names an existing folder");
  Check(windows.size() <= 3 || windows.back() != '\\', "WindowsDirectory has no trailing \\");
  Check(platform.DirectoryExists(windows + "\\system32"), "WindowsDirectory holds system32");

  const std::string self = platform.ModulePath();
  Check(EndsWithNoCase(self, "\\win32_platform_selftest.exe"),
        "ModulePath names this program: \"" + self + "\"");
  Check(platform.FileExists(self), "ModulePath names an existing file");

  ::SetLastError(1234);
  CheckNumber(1234, platform.LastError(), "LastError returns the thread's last error");

  const std::string notFound = platform.ErrorText(os::err::kFileNotFound);
  Check(!notFound.empty(), "ErrorText(2) gives the system's text: \"" + Escaped(notFound) + "\"");
  Check(!notFound.empty() && notFound.back() == '\n',
        "ErrorText leaves the line end to the caller");
  CheckText("", platform.ErrorText(-5), "ErrorText of a negative number is empty");
  CheckText("", platform.ErrorText(0x3FFFFF00), "ErrorText of an unknown number is empty");
}

void TestLoadText(Win32Platform& platform) {
  std::printf("-- string table\n");
  CheckText("Installation Error: ", platform.LoadText(65283), "LoadText keeps a trailing space");
  CheckText("Problem opening  \"data\"\n\nFile: ", platform.LoadText(65282),
            "LoadText keeps line breaks, double spaces and quotes");
  const std::string longText = platform.LoadText(40000);
  CheckNumber(721, static_cast<long long>(longText.size()), "LoadText returns a long text whole");
  Check(!longText.empty() && longText.back() == '|', "LoadText long text ends with its last char");
  CheckText("", platform.LoadText(40001), "LoadText of an empty text is empty");
  CheckText("", platform.LoadText(40002), "LoadText of a missing number is empty");
}

void TestStreams(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- read and write streams\n");
  const std::string path = dir / "stream.bin";
  auto out = platform.CreateFile(path);
  CheckNumber(11, out->Write("hello world", 11), "Write returns the count written");
  CheckNumber(0, out->Write("", 0), "Write of nothing returns 0");
  out->Close();
  CheckIoError(
      6, [&] { out->Write("x", 1); }, "Write after Close");
  bool secondCloseThrew = false;
  try {
    out->Close();
  } catch (const IoError&) {
    secondCloseThrew = true;
  }
  Check(!secondCloseThrew, "a second Close does nothing");
  out.reset();

  auto in = platform.OpenRead(path);
  CheckNumber(11, in->Size(), "Size of the written file");
  char buffer[100] = {};
  CheckNumber(5, in->Read(buffer, 5), "Read of 5 bytes");
  CheckText("hello", std::string(buffer, 5), "Read gives the first bytes");
  in->Seek(6);
  CheckNumber(5, in->Read(buffer, sizeof buffer), "short Read at the end gives what is left");
  CheckText("world", std::string(buffer, 5), "Read after Seek gives the bytes from there");
  CheckNumber(0, in->Read(buffer, sizeof buffer), "Read at the end gives 0");
  in->Seek(0);
  CheckNumber(11, in->Read(buffer, sizeof buffer), "Seek back to 0 reads everything again");
  in->Seek(100);
  CheckNumber(0, in->Read(buffer, sizeof buffer), "Read past the end gives 0");
  CheckIoError(
      131, [&] { in->Seek(-1); }, "Seek before the start");
  in.reset();

  WriteWhole(platform, path, "xy");
  CheckText("xy", ReadWhole(platform, path), "CreateFile replaces an existing file");

  std::string big(200000, '\0');
  for (size_t i = 0; i < big.size(); ++i) {
    big[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  }
  WriteWhole(platform, path, big);
  Check(ReadWhole(platform, path) == big, "200000 bytes come back unchanged");
}

void TestOpenErrors(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- open errors\n");
  CheckIoError(
      2, [&] { platform.OpenRead(dir / "missing.bin"); }, "OpenRead of a missing file");
  CheckIoError(
      3, [&] { platform.OpenRead(dir / "nodir\\missing.bin"); }, "OpenRead in a missing folder");
  CheckIoError(
      3, [&] { platform.CreateFile(dir / "nodir\\new.bin"); }, "CreateFile in a missing folder");
  CheckIoError(
      5, [&] { platform.OpenRead(dir.path()); }, "OpenRead of a folder");
}

void TestSharing(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- sharing\n");
  const std::string path = dir / "busy.bin";
  {
    auto writer = platform.CreateFile(path);
    CheckIoError(
        32, [&] { platform.OpenRead(path); }, "OpenRead of a file being written");
    const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const os::win32::UniqueHandle reader(
        ::CreateFileA(path.c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    Check(!reader.IsValid(), "a file being written is shared with no one");
    CheckNumber(32, platform.LastError(), "... with a sharing violation");
    Check(!platform.DeleteFile(path), "DeleteFile of a file being written fails");
    CheckNumber(32, platform.LastError(), "... with a sharing violation");
    writer->Write("abc", 3);
  }
  {
    auto reader = platform.OpenRead(path);
    auto second = platform.OpenRead(path);
    Check(second != nullptr, "two readers share a file");
    CheckIoError(
        32, [&] { platform.CreateFile(path); }, "CreateFile of a file being read");
    Check(!platform.DeleteFile(path), "DeleteFile of a file being read fails");
    CheckNumber(32, platform.LastError(), "... with a sharing violation");
    Check(platform.SetAttributes(path, os::kAttrNormal), "SetAttributes of a file being read");
    Check(!platform.DeleteFile(path), "DeleteFile still fails after SetAttributes");
  }
  Check(platform.DeleteFile(path), "DeleteFile works once the streams are gone");
  Check(!platform.FileExists(path), "the file is gone");
}

void TestReadOnly(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- attributes\n");
  const std::string path = dir / "locked.txt";
  WriteWhole(platform, path, "locked");
  Check(platform.SetAttributes(path, os::kAttrReadOnly), "SetAttributes(read-only)");
  Check((platform.GetAttributes(path) & os::kAttrReadOnly) != 0, "GetAttributes shows read-only");
  Check(platform.FileExists(path), "a read-only file exists");
  Check(!platform.DeleteFile(path), "DeleteFile of a read-only file fails");
  CheckNumber(5, platform.LastError(), "... with access denied");
  CheckText("locked", ReadWhole(platform, path), "a read-only file can be read");
  Check(platform.SetAttributes(path, os::kAttrNormal), "SetAttributes(normal)");
  Check((platform.GetAttributes(path) & os::kAttrReadOnly) == 0, "read-only is cleared");
  Check(platform.DeleteFile(path), "DeleteFile works after SetAttributes(normal)");
  CheckNumber(0xFFFFFFFF, platform.GetAttributes(path), "GetAttributes of a missing file");
  Check(!platform.DeleteFile(path), "DeleteFile of a missing file fails");
  CheckNumber(2, platform.LastError(), "... with file not found");
  Check(!platform.SetAttributes(path, os::kAttrNormal), "SetAttributes of a missing file fails");
}

void TestFindFile(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- find file\n");
  WriteWhole(platform, dir / "sized.bin", std::string(70000, 'z'));
  WriteWhole(platform, dir / "empty.bin", "");
  const os::FindResult sized = platform.FindFile(dir / "sized.bin");
  Check(sized.found, "FindFile finds a file");
  CheckNumber(70000, sized.size, "FindFile gives its size");
  Check((sized.attributes & os::kAttrDirectory) == 0, "FindFile: a file is not a folder");
  const os::FindResult empty = platform.FindFile(dir / "EMPTY.BIN");
  Check(empty.found, "FindFile ignores case");
  CheckNumber(0, empty.size, "FindFile of an empty file gives 0");
  const os::FindResult folder = platform.FindFile(dir.path());
  Check(folder.found && (folder.attributes & os::kAttrDirectory) != 0,
        "FindFile of a folder shows the folder attribute");
  const os::FindResult missing = platform.FindFile(dir / "missing.bin");
  Check(!missing.found && missing.size == 0, "FindFile of a missing file finds nothing");
  Check(platform.FileExists(dir / "sized.bin"), "FileExists of a file");
  Check(!platform.FileExists(dir.path()), "FileExists of a folder is false");
  Check(!platform.DirectoryExists(dir / "sized.bin"), "DirectoryExists of a file is false");
}

void TestIni(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- ini files\n");
  const std::string path = dir / "saver.ini";
  Check(platform.WriteIniString(path, "Files", "File1", "first"), "WriteIniString File1");
  Check(platform.WriteIniString(path, "Files", "File2", "aqua dir\\aqua.ssd"),
        "WriteIniString File2");
  Check(platform.WriteIniString(path, "Files", "File1", "aqua.scr"), "WriteIniString File1 again");
  CheckText("[Files]\r\nFile1=aqua.scr\r\nFile2=aqua dir\\aqua.ssd\r\n", ReadWhole(platform, path),
            "the ini file text");
  std::string value;
  Check(platform.ReadIniString(path, "Files", "file2", value), "ReadIniString finds File2");
  CheckText("aqua dir\\aqua.ssd", value, "... with its value");
  Check(!platform.ReadIniString(path, "Files", "File9", value), "ReadIniString of a missing key");
  Check(platform.WriteIniString(path, "Files", "Empty", ""), "WriteIniString of an empty value");
  Check(platform.ReadIniString(path, "Files", "Empty", value) && value.empty(),
        "an empty value is present");
  Check(platform.DeleteIniString(path, "Files", "File1"), "DeleteIniString File1");
  Check(!platform.ReadIniString(path, "Files", "File1", value), "File1 is gone");
}

void TestMove(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- move\n");
  const std::string from = dir / "move-from.txt";
  const std::string to = dir / "move-to.txt";
  WriteWhole(platform, from, "moved");
  WriteWhole(platform, to, "in the way");
  Check(!platform.MoveFile(from, to), "MoveFile onto an existing file fails");
  CheckNumber(183, platform.LastError(), "... with already exists");
  Check(platform.DeleteFile(to), "DeleteFile of the target");
  Check(platform.MoveFile(from, to), "MoveFile to a free name");
  CheckText("moved", ReadWhole(platform, to), "the moved file keeps its bytes");
  Check(!platform.FileExists(from), "the old name is gone");
}

void TestRegistryRead(Win32Platform& platform) {
  std::printf("-- registry values\n");
  const std::string path = "Software\\SaverSelftest";
  int32_t error = 0;
  auto key = platform.OpenMachineKey(path, true, error);
  Check(key != nullptr, "OpenMachineKey creates a test key");
  if (!key) return;
  CheckNumber(0, key->SetString("UninstallString", "\"C:\\windows\\Joe -s Show.scr\" /u"),
              "SetString");
  std::string value;
  CheckNumber(0, key->GetString("uninstallstring", value), "GetString of a value");
  CheckText("\"C:\\windows\\Joe -s Show.scr\" /u", value, "... reads it back");
  CheckNumber(2, key->GetString("Missing", value), "GetString of a missing value");
  key.reset();
  CheckNumber(0, platform.DeleteMachineKeyTree(path), "DeleteMachineKeyTree of the test key");
}

void TestShortPath(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- short paths\n");
  const std::string longName = dir / "a rather long file name.text";
  WriteWhole(platform, longName, "short");
  const std::string shortName = platform.ShortPath(longName);
  Check(!shortName.empty(), "ShortPath of an existing file: \"" + shortName + "\"");
  Check(shortName.find(' ') == std::string::npos, "the short path has no spaces");
  Check(platform.FileExists(shortName), "the short path names the file");
  CheckText("", platform.ShortPath(dir / "missing file name.text"), "ShortPath of a missing file");
  CheckNumber(2, platform.LastError(), "... with file not found");
}

void TestCopy(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- copy\n");
  const std::string from = dir / "from.txt";
  const std::string to = dir / "to.txt";
  WriteWhole(platform, from, "new");
  WriteWhole(platform, to, "older and longer");
  Check(platform.CopyFile(from, to), "CopyFile onto an existing file");
  CheckText("new", ReadWhole(platform, to), "CopyFile replaced the target");
  Check(!platform.CopyFile(dir / "missing.txt", to), "CopyFile from a missing file fails");
  CheckNumber(2, platform.LastError(), "... with file not found");
  CheckText("new", ReadWhole(platform, to), "a failed copy leaves the target alone");
  Check(platform.CopyFile(from, dir / "fresh.txt"), "CopyFile to a new name");
  CheckText("new", ReadWhole(platform, dir / "fresh.txt"), "the new copy has the bytes");
  Check(platform.CopyOwnFile(to), "CopyOwnFile onto an existing file");
  CheckNumber(platform.FindFile(platform.ModulePath()).size, platform.FindFile(to).size,
              "CopyOwnFile copied this program whole");
}

void TestDirectories(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- folders\n");
  const std::string one = dir / "one";
  const std::string two = one + "\\two";
  Check(!platform.CreateDirectory(two), "CreateDirectory makes only one level");
  CheckNumber(3, platform.LastError(), "... with path not found");
  Check(!platform.DirectoryExists(one), "no parent was made");
  Check(platform.CreateDirectory(one), "CreateDirectory of one level");
  Check(platform.DirectoryExists(one), "DirectoryExists after CreateDirectory");
  Check(!platform.FileExists(one), "FileExists of the new folder is false");
  Check(!platform.CreateDirectory(one), "CreateDirectory of an existing folder fails");
  CheckNumber(183, platform.LastError(), "... with already exists");
  Check(platform.CreateDirectory(two), "CreateDirectory once the parent exists");
  Check(platform.DirectoryExists(two), "the second level exists");
}

void TestLibrary(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- libraries\n");
  auto kernel = platform.LoadLibrary("kernel32.dll");
  Check(kernel != nullptr, "LoadLibrary(kernel32.dll)");
  if (kernel) {
    const void* expected = reinterpret_cast<const void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetTickCount"));
    Check(kernel->Symbol("GetTickCount") == expected, "Symbol finds an export");
    Check(kernel->Symbol("NoSuchExportAnywhere") == nullptr, "Symbol of a missing export");
  }
  Check(platform.LoadLibrary(dir / "missing.dll") == nullptr, "LoadLibrary of a missing file");
  CheckNumber(126, platform.LastError(), "... with module not found");
}

void TestHandles(const ScratchFolder& dir) {
  std::printf("-- handle owners\n");
  using os::win32::UniqueHandle;
  static_assert(!std::is_copy_constructible_v<UniqueHandle>);
  static_assert(!std::is_copy_assignable_v<UniqueHandle>);
  static_assert(std::is_nothrow_move_constructible_v<UniqueHandle>);
  static_assert(std::is_nothrow_move_assignable_v<os::win32::UniqueHKey>);

  const std::string path = dir / "owned.bin";
  const auto open = [&] {
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  UniqueHandle first = open();
  Check(first.IsValid(), "UniqueHandle owns an opened file");
  Check(!open().IsValid(), "a second open is refused while it is owned");
  UniqueHandle second = std::move(first);
  Check(!first.IsValid() && second.IsValid(), "moving hands the handle over");  // NOLINT
  first = std::move(second);
  Check(first.IsValid() && !second.IsValid(), "move assignment hands it back");  // NOLINT
  first.Reset();
  Check(!first.IsValid(), "Reset releases");
  UniqueHandle third = open();
  Check(third.IsValid(), "the file can be opened again after Reset");
  { const UniqueHandle scoped = std::move(third); }
  Check(open().IsValid(), "the destructor released the handle");
  const HANDLE raw = open().Release();
  Check(!open().IsValid(), "Release gives up ownership without closing");
  ::CloseHandle(raw);

  HKEY created = nullptr;
  const LONG status = ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\win32_platform_selftest", 0,
                                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr);
  os::win32::UniqueHKey key(created);
  Check(status == ERROR_SUCCESS && key.IsValid(), "UniqueHKey owns a created key");
  Check(key.Close(), "UniqueHKey closes the key");
  ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\win32_platform_selftest");
}

// Waits up to ten seconds for the child's marker file and returns its text.
std::string WaitForMarker(Win32Platform& platform, const std::string& marker) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    try {
      const std::string text = ReadWhole(platform, marker);
      if (!text.empty()) {
        return text;
      }
    } catch (const IoError&) {
      // Not written yet, or the child still holds it.
    }
    ::Sleep(100);
  }
  return {};
}

void TestShellOpen(Win32Platform& platform, const ScratchFolder& dir) {
  std::printf("-- shell\n");
  const intptr_t missing = platform.ShellOpen(dir / "missing.exe", "", true);
  Check(missing <= 32, "ShellOpen of a missing program fails: " + std::to_string(missing));

  const std::string self = platform.ModulePath();
  const std::string hiddenMarker = dir / "hidden marker.txt";
  const intptr_t hidden = platform.ShellOpen(self, "--child \"" + hiddenMarker + "\"", true);
  Check(hidden > 32, "ShellOpen starts a program: " + std::to_string(hidden));
  CheckText("show=0", WaitForMarker(platform, hiddenMarker),
            "the program got its parameters and SW_HIDE");

  const std::string shownMarker = dir / "shown.txt";
  const intptr_t shown = platform.ShellOpen(self, "--child \"" + shownMarker + "\"", false);
  Check(shown > 32, "ShellOpen starts a program shown: " + std::to_string(shown));
  CheckText("show=1", WaitForMarker(platform, shownMarker), "the program got SW_SHOWNORMAL");
}

// The child side of TestShellOpen.
int RunChild(const char* marker) {
  STARTUPINFOA startup;
  ::GetStartupInfoA(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  const std::string text = "show=" + std::to_string(show);
  Win32Platform platform;
  WriteWhole(platform, marker, text);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) {
    return RunChild(argv[2]);
  }
  Win32Platform platform;
  try {
    const ScratchFolder dir("w32p_selftest_");
    TestSystem(platform);
    TestLoadText(platform);
    TestStreams(platform, dir);
    TestOpenErrors(platform, dir);
    TestSharing(platform, dir);
    TestReadOnly(platform, dir);
    TestFindFile(platform, dir);
    TestIni(platform, dir);
    TestMove(platform, dir);
    TestRegistryRead(platform);
    TestShortPath(platform, dir);
    TestCopy(platform, dir);
    TestDirectories(platform, dir);
    TestLibrary(platform, dir);
    TestHandles(dir);
    TestShellOpen(platform, dir);
  } catch (const IoError& error) {
    Check(false,
          std::string("unexpected IoError ") + std::to_string(error.code()) + ": " + error.what());
  }
  std::printf("%d checks, %d failed\n", g_checks, g_failures);
  std::fflush(stdout);
  return g_failures == 0 ? 0 : 1;
}
