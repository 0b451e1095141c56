#include "bench/io_limits.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "bench/journal_generator.h"
#include "bench/timing.h"

namespace dbt::bench {
namespace {

constexpr int kHeaderLength = static_cast<int>(kGeneratedHeaderLength);
constexpr int kRecordLength = static_cast<int>(kGeneratedRecordLength);

// Reads the bytes from begin to end and writes them back where they were, a block at a time:
// what both block figures move.
void RewriteInBlocks(int fd, off_t begin, off_t end, std::vector<char>& block) {
  for (off_t at = begin; at < end;) {
    const std::size_t size =
        static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(block.size()), end - at));
    if (pread(fd, block.data(), size, at) != static_cast<ssize_t>(size)) break;
    if (pwrite(fd, block.data(), size, at) != static_cast<ssize_t>(size)) break;
    at += static_cast<off_t>(size);
  }
}

}  // namespace

Limit BlockLimit(const std::string& path, const std::function<void()>& freshCopy) {
  Limit best;
  std::vector<char> block(std::size_t{1} << 20);
  for (int run = 0; run < 3; ++run) {
    if (freshCopy) freshCopy();
    const int fd = open(path.c_str(), O_RDWR);
    if (fd < 0) return Limit{};
    const off_t end = lseek(fd, 0, SEEK_END);
    const double cpuBefore = OwnCpuSeconds();
    // The record area: the header before it and the end marker after it stay.
    const double s = Seconds([&] { RewriteInBlocks(fd, kHeaderLength, end - 1, block); });
    const double cpu = OwnCpuSeconds() - cpuBefore;
    close(fd);
    if (run == 0 || s < best.seconds) best.seconds = s;
    if (run == 0 || cpu < best.cpuSeconds) best.cpuSeconds = cpu;
  }
  return best;
}

double BlockFloor(const std::string& path, std::int64_t count) {
  const int fd = open(path.c_str(), O_RDWR);
  std::vector<char> block(std::size_t{1} << 20);
  const off_t end = kHeaderLength + static_cast<off_t>(count) * kRecordLength;
  const double s = Seconds([&] {
    RewriteInBlocks(fd, kHeaderLength, end, block);
    fdatasync(fd);
  });
  close(fd);
  return s;
}

double IoFloor(const std::string& path, std::int64_t count) {
  const int fd = open(path.c_str(), O_RDWR);
  std::vector<char> record(kRecordLength);
  const double s = Seconds([&] {
    for (std::int64_t i = 0; i < count; ++i) {
      const off_t at = kHeaderLength + static_cast<off_t>(i) * kRecordLength;
      if (pread(fd, record.data(), record.size(), at) != kRecordLength) break;
      if (pwrite(fd, record.data(), record.size(), at) != kRecordLength) break;
    }
  });
  close(fd);
  return s;
}

}  // namespace dbt::bench
