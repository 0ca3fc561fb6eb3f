#include "test_support.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

namespace dcl::testing {

unsigned Stream::Read(char* buf, unsigned* size, void* param) {
  auto* s = static_cast<Stream*>(param);
  ++s->reads;
  s->largest_request = std::max(s->largest_request, *size);
  size_t left = s->input->size() - s->in_pos;
  size_t n = std::min<size_t>({left, *size, s->max_read});
  if (n > 0) std::memcpy(buf, s->input->data() + s->in_pos, n);
  s->in_pos += n;
  return static_cast<unsigned>(n);
}

void Stream::Write(char* buf, unsigned* size, void* param) {
  auto* s = static_cast<Stream*>(param);
  ++s->writes;
  s->output.insert(s->output.end(), buf, buf + *size);
}

CodecResult Implode(const Bytes& in, unsigned type, unsigned dsize, int level, unsigned max_read) {
  Stream s;
  s.input = &in;
  s.max_read = max_read;
  std::vector<char> work(dcl_implode_work_size(level));
  CodecResult r;
  r.code = dcl_implode_level(Stream::Read, Stream::Write, work.data(), &s, &type, &dsize, level);
  r.data = std::move(s.output);
  return r;
}

CodecResult Explode(const Bytes& in, unsigned max_read) {
  Stream s;
  s.input = &in;
  s.max_read = max_read;
  std::vector<char> work(DCL_EXPLODE_WORK_SIZE);
  CodecResult r;
  r.code = dcl_explode(Stream::Read, Stream::Write, work.data(), &s);
  r.data = std::move(s.output);
  return r;
}

Bytes FromString(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::optional<Bytes> ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

namespace {

void PutLe(Bytes& b, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool IsPe32(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  char hdr[0x40] = {};
  if (!f.read(hdr, sizeof hdr) || hdr[0] != 'M' || hdr[1] != 'Z') return false;
  uint32_t pe = 0;
  std::memcpy(&pe, hdr + 0x3C, 4);
  char sig[6] = {};
  f.seekg(pe);
  if (!f.read(sig, sizeof sig)) return false;
  // "PE\0\0" then the machine field: 0x014C is i386.
  return std::memcmp(sig, "PE\0\0\x4c\x01", 6) == 0;
}

}  // namespace

Bytes MakeBitmap(unsigned width, unsigned height) {
  // Layout: BITMAPFILEHEADER (14 bytes) + BITMAPINFOHEADER (40) + rows of
  // BGR pixels, each row padded to a multiple of 4 bytes, bottom-up.
  unsigned row = (width * 3 + 3) & ~3u;
  Bytes b;
  b.push_back('B');
  b.push_back('M');
  PutLe(b, 54 + row * height, 4);
  PutLe(b, 0, 4);
  PutLe(b, 54, 4);
  PutLe(b, 40, 4);
  PutLe(b, width, 4);
  PutLe(b, height, 4);
  PutLe(b, 1, 2);
  PutLe(b, 24, 2);
  PutLe(b, 0, 4);
  PutLe(b, row * height, 4);
  PutLe(b, 2835, 4);
  PutLe(b, 2835, 4);
  PutLe(b, 0, 4);
  PutLe(b, 0, 4);
  uint32_t noise = 12345;
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      unsigned jitter = (noise >> 28) & 3;
      b.push_back(static_cast<uint8_t>((x * 255) / width));
      b.push_back(static_cast<uint8_t>((y * 255) / height + jitter));
      b.push_back(static_cast<uint8_t>(((x / 16 + y / 16) & 1) ? 200 : 40));
    }
    for (unsigned pad = width * 3; pad < row; ++pad) b.push_back(0);
  }
  return b;
}

std::vector<std::filesystem::path> FindPeFiles(size_t max_files, uintmax_t min_size,
                                               uintmax_t max_size) {
  namespace fs = std::filesystem;
  std::vector<fs::path> found;
  const char* roots[] = {"/usr/lib/gcc/i686-w64-mingw32", "/usr/i686-w64-mingw32/lib",
                         "/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/wine/i386-windows"};
  for (const char* root : roots) {
    std::error_code ec;
    std::vector<fs::path> here;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      const fs::path& p = it->path();
      auto ext = p.extension().string();
      if (ext != ".dll" && ext != ".exe") continue;
      if (!it->is_regular_file(ec)) continue;
      uintmax_t size = it->file_size(ec);
      if (!ec && size >= min_size && size <= max_size && IsPe32(p)) {
        here.push_back(p);
      }
    }
    std::sort(here.begin(), here.end());
    for (auto& p : here) {
      if (found.size() >= max_files) return found;
      found.push_back(p);
    }
  }
  return found;
}

std::vector<std::filesystem::path> FindTextFiles() {
  std::vector<std::filesystem::path> found;
  for (const char* p : {"/usr/share/common-licenses/GPL-3", "/usr/share/common-licenses/Apache-2.0",
                        "/usr/share/common-licenses/GPL-2"}) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(p, ec)) found.emplace_back(p);
  }
  return found;
}

Bytes LoadPeCorpus(size_t megabytes) {
  Bytes all;
  for (const auto& p : FindPeFiles(100000, 16 * 1024, 4u << 20)) {
    if (all.size() >= megabytes << 20) break;
    if (auto data = ReadFile(p)) all.insert(all.end(), data->begin(), data->end());
  }
  if (all.size() > megabytes << 20) all.resize(megabytes << 20);
  return all;
}

}  // namespace dcl::testing
