// Extracts entry 0 of large deflated archives with the ZIP reader (over the
// simulated Windows, so through the same file layer as the tests) and with
// the least a reader of this design can do: raw inflate with 16 KiB buffers
// and Z_SYNC_FLUSH, crc32, write. Prints both times and their ratio, and the
// memory one extraction adds to a process.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sim/sim_world.h"
#include "resources/zip/zip_reader.h"

namespace fs = std::filesystem;

namespace {

// Shared libraries of the host, concatenated until `size` bytes: DLL-like
// content that deflates about as well as the runtime module does.
void MakePayload(const fs::path& path, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  std::size_t written = 0;
  std::vector<char> buffer;
  while (written < size) {
    for (const auto& entry : fs::directory_iterator("/usr/lib/x86_64-linux-gnu")) {
      if (written >= size) break;
      if (!entry.is_regular_file() ||
          entry.path().string().find(".so") == std::string::npos) {
        continue;
      }
      std::ifstream in(entry.path(), std::ios::binary);
      buffer.assign(std::istreambuf_iterator<char>(in), {});
      const std::size_t n = std::min(buffer.size(), size - written);
      out.write(buffer.data(), static_cast<std::streamsize>(n));
      written += n;
    }
  }
}

double Seconds(auto&& run) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (!run()) return -1;
    best = std::min(best, std::chrono::duration<double>(
                              std::chrono::steady_clock::now() - start)
                              .count());
  }
  return best;
}

bool ExtractWithReader() {
  ZipHandle zip = OpenZipFile("C:\\bench\\payload.zip");
  return zip && ExtractZipEntry(*zip, 0, "C:\\bench\\out.dll") == 0;
}

// The peak resident size, in KiB, of a child process that runs `work`;
// negative when the child fails. The child starts as a copy of this process.
long ChildPeakKiB(bool (*work)()) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(work() ? 0 : 1);
  int status = 0;
  rusage usage{};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child ||
      !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1;
  }
  return usage.ru_maxrss;
}

bool DoNothing() { return true; }

// The floor: the archive's first local header is at offset 0.
bool ExtractRaw(const fs::path& archive, const fs::path& output) {
  std::FILE* in = std::fopen(archive.c_str(), "rb");
  std::FILE* out = std::fopen(output.c_str(), "wb");
  unsigned char header[30];
  if (!in || !out || std::fread(header, 1, 30, in) != 30) return false;
  std::fseek(in, (header[26] | header[27] << 8) + (header[28] | header[29] << 8),
             SEEK_CUR);
  z_stream stream{};
  inflateInit2(&stream, -MAX_WBITS);
  static unsigned char input[16384], produced[16384];
  uLong crc = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    if (stream.avail_in == 0) {
      stream.avail_in = static_cast<uInt>(std::fread(input, 1, sizeof input, in));
      stream.next_in = input;
    }
    stream.next_out = produced;
    stream.avail_out = sizeof produced;
    status = inflate(&stream, Z_SYNC_FLUSH);
    const uInt n = sizeof produced - stream.avail_out;
    crc = crc32(crc, produced, n);
    std::fwrite(produced, 1, n, out);
  }
  inflateEnd(&stream);
  std::fclose(in);
  std::fclose(out);
  return status == Z_STREAM_END && crc != 0;
}

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() /
                        ("zip-bench-" + std::to_string(::getpid()));
  sim::TheWorld().sandboxRoot = root;
  const fs::path folder = sim::TheWorld().HostPath("C:\\bench");
  fs::create_directories(folder);
  for (const std::size_t megabytes : {8, 32}) {
    MakePayload(folder / "payload.dll", megabytes << 20);
    fs::remove(folder / "payload.zip");
    const std::string zip = "cd '" + folder.string() +
                            "' && zip -q payload.zip payload.dll";
    if (std::system(zip.c_str()) != 0) return 1;
    const double reader = Seconds(ExtractWithReader);
    const double raw = Seconds([&] {
      return ExtractRaw(folder / "payload.zip", folder / "raw.dll");
    });
    // What one extraction adds to the resident size of a process that has
    // done nothing else since it was copied from this one.
    const long extracting = ChildPeakKiB(ExtractWithReader);
    const long idle = ChildPeakKiB(DoNothing);
    if (extracting < 0 || idle < 0) return 1;
    std::printf("%2zu MB: reader %.3f s, raw inflate loop %.3f s, ratio %.3f, "
                "extraction adds %ld KiB of resident memory\n",
                megabytes, reader, raw, reader / raw, extracting - idle);
  }
  fs::remove_all(root);
  return 0;
}
