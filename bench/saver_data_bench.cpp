// Saver data file benchmark: InstallSaverData unpacking a data file of about
// 20 MB of imploded records on the in-memory Windows, against exploding the
// same streams from memory into memory with the codec alone. The difference
// is what the data-file module adds: reading each chunk into one buffer,
// the TCompressor binding, and writing and checking each file.
//
// Usage: saver_data_bench [megabytes] [runs]     (default 20 MB, best of 5)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "dataFunctions_shared.h"
#include "fInstall.h"
#include "fake_platform.h"
#include "fake_view.h"
#include "saver_data_image.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kRecordSize = 1 << 20;  // one record per megabyte of corpus

// "r<index>.bin", appended piece by piece (GCC 12 warns falsely about
// operator+ on a literal and a temporary here).
std::string RecordName(size_t index) {
  std::string name("r");
  name += std::to_string(index);
  name += ".bin";
  return name;
}

double BestOf(int runs, const std::function<void()>& run) {
  double best = 1e30;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  return best;
}

// Seconds of one InstallSaverData on a fresh in-memory Windows (the set-up
// and the check of the files are not timed); `correct` turns false when a
// file is missing or differs.
double InstallOnce(const Bytes& dataFile, const std::vector<Bytes>& records, bool& correct) {
  fake::FakePlatform fs;
  fake::FakeView view;
  app::TInstallerForm form(fs, view);
  setup::ResetSaverDataModule();
  form.saverFolder = "C:\\WINDOWS\\Aqua dir\\";
  form.dataFilePath = form.saverFolder + "Aqua.ssd";
  fs.AddFile("C:\\WINDOWS\\impborl.dll", std::string("MZ"));
  fs.AddFile(form.dataFilePath, dataFile);
  std::memcpy(form.settingsBlock.data(), dataFile.data(), form.settingsBlock.size());
  const auto t0 = std::chrono::steady_clock::now();
  const int32_t code = form.InstallSaverData();
  const auto t1 = std::chrono::steady_clock::now();
  correct = correct && code == 0;
  for (size_t i = 0; i < records.size() && correct; ++i) {
    correct = fs.FileData(form.saverFolder + RecordName(i)) == records[i];
  }
  return std::chrono::duration<double>(t1 - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 20;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  const Bytes corpus = dcl::testing::LoadPeCorpus(megabytes);
  if (corpus.empty()) {
    std::fprintf(stderr, "saver_data_bench: no 32-bit PE files found for the corpus\n");
    return 1;
  }
  std::vector<Bytes> records, streams;
  fake::SaverDataImage image;
  for (size_t at = 0; at < corpus.size(); at += kRecordSize) {
    records.emplace_back(corpus.begin() + at,
                         corpus.begin() + std::min(corpus.size(), at + kRecordSize));
    streams.push_back(dcl::testing::Implode(records.back(), DCL_BINARY, 4096).data);
    image.Record({RecordName(records.size() - 1), records.back(), true});
  }
  const Bytes dataFile = image.Build();

  bool installed = true;
  double install = 1e30;
  for (int r = 0; r < runs; ++r)
    install = std::min(install, InstallOnce(dataFile, records, installed));
  bool exploded = true;
  // The expanded records are kept until all are done, as the installed
  // files are, so both sides fill 20 MB of fresh memory.
  std::vector<Bytes> outputs(streams.size());
  double explode = 1e30;
  for (int r = 0; r < runs; ++r) {
    for (Bytes& o : outputs) Bytes().swap(o);  // freed between runs, as each install's files are
    explode = std::min(explode, BestOf(1, [&] {
                         for (size_t i = 0; i < streams.size(); ++i)
                           outputs[i] = dcl::testing::Explode(streams[i]).data;
                       }));
  }
  exploded = outputs == records;
  const double mb = static_cast<double>(corpus.size()) / 1e6;
  std::printf(
      "\n### Saver data file: %zu imploded records, %zu bytes of files, %zu-byte data file\n\n",
      records.size(), corpus.size(), dataFile.size());
  std::printf("| what | seconds | MB/s of output | x explode alone | output correct |\n");
  std::printf("|---|---:|---:|---:|---|\n");
  std::printf("| explode in memory (codec alone) | %.3f | %.1f | 1.00 | %s |\n", explode,
              mb / explode, exploded ? "yes" : "no");
  std::printf("| InstallSaverData (in-memory Windows) | %.3f | %.1f | %.2f | %s |\n", install,
              mb / install, install / explode, installed ? "yes" : "no");
  return installed && exploded ? 0 : 1;
}
