// The shipped extraction path under the real Windows file layer: the ZIP
// reader of the launcher (as the win32 build links it) against the least a
// reader of its design can do, a ReadFile / raw inflate / crc32 / WriteFile
// loop with 16 KiB buffers. Both run in this one process, in interleaved
// rounds, over 8 and 32 MiB payloads made of the system folder's DLLs.
// Prints the best and the median time of each and the ratios.
//
//   zip_extract_benchmark_win32.exe [<work folder>]   (default: the temporary folder)
#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/zip/zip_reader.h"
#include "tests/support/kernel_handle.h"
#include "tests/support/zip_test_archive.h"

namespace {

using test_support::KernelHandle;
using test_support::OwnedFile;

constexpr int kRounds = 9;
constexpr DWORD kBufferSize = 16384;

std::string SystemFolder() {
  char folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  return std::string(folder, length) + "\\";
}

// The system folder's DLLs, concatenated until `size` bytes.
std::string DllLikePayload(std::size_t size) {
  std::string payload;
  const std::string folder = SystemFolder();
  while (payload.size() < size) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "*.dll").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    do {
      std::ifstream file(folder + found.cFileName, std::ios::binary);
      payload.append(std::istreambuf_iterator<char>(file), {});
    } while (payload.size() < size && ::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  payload.resize(size);
  return payload;
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

bool ExtractWithReader(const std::string& archive, const std::string& output) {
  ZipHandle zip = OpenZipFile(archive);
  return zip && ExtractZipEntry(*zip, 0, output) == zip_status::kOk;
}

// The archive holds one entry whose local header is at offset 0.
bool ExtractWithLoop(const std::string& archive, const std::string& output) {
  KernelHandle in = OwnedFile(::CreateFileA(archive.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
  KernelHandle out = OwnedFile(::CreateFileA(output.c_str(), GENERIC_WRITE, 0,
                                             nullptr, CREATE_ALWAYS, 0, nullptr));
  unsigned char header[30];
  DWORD count = 0;
  if (!in || !out || !::ReadFile(in.Get(), header, 30, &count, nullptr) ||
      count != 30) {
    return false;
  }
  const LONG skip = (header[26] | header[27] << 8) + (header[28] | header[29] << 8);
  ::SetFilePointer(in.Get(), skip, nullptr, FILE_CURRENT);
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  static unsigned char input[kBufferSize], produced[kBufferSize];
  uLong crc = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    if (stream.avail_in == 0) {
      if (!::ReadFile(in.Get(), input, kBufferSize, &count, nullptr)) break;
      stream.avail_in = count;
      stream.next_in = input;
    }
    stream.next_out = produced;
    stream.avail_out = kBufferSize;
    status = inflate(&stream, Z_SYNC_FLUSH);
    const uInt made = kBufferSize - stream.avail_out;
    crc = crc32(crc, produced, made);
    if (!::WriteFile(out.Get(), produced, made, &count, nullptr)) break;
  }
  inflateEnd(&stream);
  return status == Z_STREAM_END && crc != 0;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  if (argc > 1) {
    folder = std::string(argv[1]) + "\\";
  } else {
    char temp[MAX_PATH];
    folder.assign(temp, ::GetTempPathA(MAX_PATH, temp));
  }
  const std::string archive = folder + "zip_benchmark.zip";
  const std::string byReader = folder + "zip_benchmark_reader.dll";
  const std::string byLoop = folder + "zip_benchmark_loop.dll";

  for (const std::size_t megabytes : {8, 32}) {
    TestEntry entry;
    entry.name = "SheltraRuntime.dll";
    entry.data = DllLikePayload(megabytes << 20);
    if (entry.data.empty() || !WriteWholeFile(archive, BuildZip({entry}))) {
      std::fprintf(stderr, "could not make the %zu MiB archive\n", megabytes);
      return 1;
    }
    std::vector<double> reader, loop;
    for (int round = 0; round < kRounds; ++round) {
      LARGE_INTEGER start, middle, end;
      ::QueryPerformanceCounter(&start);
      const bool readerDone = ExtractWithReader(archive, byReader);
      ::QueryPerformanceCounter(&middle);
      const bool loopDone = ExtractWithLoop(archive, byLoop);
      ::QueryPerformanceCounter(&end);
      if (!readerDone || !loopDone) {
        std::fprintf(stderr, "an extraction failed (reader %d, loop %d)\n",
                     readerDone, loopDone);
        return 1;
      }
      // Each round writes new files, as a start does.
      ::DeleteFileA(byReader.c_str());
      ::DeleteFileA(byLoop.c_str());
      reader.push_back(Seconds(start, middle));
      loop.push_back(Seconds(middle, end));
    }
    const double bestReader = *std::min_element(reader.begin(), reader.end());
    const double bestLoop = *std::min_element(loop.begin(), loop.end());
    std::printf("%2zu MiB, %d interleaved rounds: reader best %.3f s, median "
                "%.3f s; ReadFile/inflate/WriteFile loop best %.3f s, median "
                "%.3f s; ratio of bests %.3f, of medians %.3f\n",
                megabytes, kRounds, bestReader, Median(reader), bestLoop,
                Median(loop), bestReader / bestLoop,
                Median(reader) / Median(loop));
  }
  ::DeleteFileA(archive.c_str());
  return 0;
}
