#pragma once
// What moving a generated journal's bytes costs with nothing else done: the figures the
// commands' times are measured against.

#include <cstdint>
#include <functional>
#include <string>

namespace dbt::bench {

struct Limit {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system: what a busy machine changes least
};

// Reads the whole record area and writes it back in 1 MiB blocks, nothing else: what no pass
// that rewrites the records in place can beat. The best of three, so that the ratios to it are
// not flattered by a slow run. With freshCopy, each run first lays the file out anew, as each run
// of a command does: the first pass over pages just written costs the kernel more than later
// ones (it moves each page onto its list of pages in use), so that a limit taken on the same
// file three times is one that no pass over a fresh copy reaches, this one included.
Limit BlockLimit(const std::string& path, const std::function<void()>& freshCopy = {});

// The same bytes as one read and one write of every record, moved in 1 MiB blocks and made
// durable by one fdatasync at the end: what no pass over the table can beat.
double BlockFloor(const std::string& path, std::int64_t count);

// One pread and one pwrite per record, nothing else: what any record-by-record pass costs.
double IoFloor(const std::string& path, std::int64_t count);

}  // namespace dbt::bench
