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
    const double s = Seconds([&] {
      for (off_t at = kHeaderLength; at < end - 1;) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<off_t>(end - 1 - at, static_cast<off_t>(block.size())));
        if (pread(fd, block.data(), want, at) != static_cast<ssize_t>(want)) break;
        if (pwrite(fd, block.data(), want, at) != static_cast<ssize_t>(want)) break;
        at += static_cast<off_t>(want);
      }
    });
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
    for (off_t at = kHeaderLength; at < end;) {
      const std::size_t size =
          static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(block.size()), end - at));
      if (pread(fd, block.data(), size, at) != static_cast<ssize_t>(size)) break;
      if (pwrite(fd, block.data(), size, at) != static_cast<ssize_t>(size)) break;
      at += static_cast<off_t>(size);
    }
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
