// Fuzzes the list of installed files: the reader, the writer, and the
// engine's removal of the saver folder's files on an in-memory machine. The
// input is the list's bytes.
//
// Checked beyond "no crash": every name read is one the list may hold, a
// list written from the names reads back to them, and the removal touches
// nothing outside the saver folder: the Windows folder's file, the folder
// behind a link inside the saver folder and the user's file all stay.
#include <cstdlib>

#include "fake_uninstall_host.h"
#include "installed_files.h"

namespace {

constexpr const char* kFolder = "C:\\WINDOWS\\Aqua dir\\";

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto names = saver::ParseInstalledList(bytes);
  if (names) {
    for (const std::string& name : *names) Check(saver::IsListableName(name));
    Check(saver::ParseInstalledList(saver::FormatInstalledList(*names)) == names);
  }

  engine::testing::FakeHost host;
  host.AddFolder("C:\\WINDOWS");
  host.AddFile("C:\\WINDOWS\\win.ini");
  host.AddFile("C:\\WINDOWS\\Aqua.scr");
  host.AddFolder(kFolder);
  host.AddFile(std::string(kFolder) + "installed files.lst", bytes);
  host.AddFile(std::string(kFolder) + "saver.dat");
  host.AddFile(std::string(kFolder) + "mine.doc");
  host.AddFolder(std::string(kFolder) + "movies");
  host.AddFile(std::string(kFolder) + "movies\\a.scf");
  host.AddLink(std::string(kFolder) + "work", "D:\\work");
  host.AddFolder("D:\\work");
  host.AddFile("D:\\work\\thesis.doc");
  host.AddFile("D:\\work\\a.scf");
  const size_t before = host.tree.size();
  engine::RemoveSaverFiles(host, kFolder);
  for (const char* path : {"C:\\WINDOWS\\win.ini", "C:\\WINDOWS\\Aqua.scr", "D:\\work\\thesis.doc",
                           "D:\\work\\a.scf", "C:\\WINDOWS\\Aqua dir\\work"}) {
    Check(host.Has(path));
  }
  // What went was listed: the list's own file, saver.dat, mine.doc, a.scf.
  Check(before - host.tree.size() <= 4);
  if (!names) Check(host.tree.size() == before);
  return 0;
}
