#pragma once
// A command run in a child process of its own, so that its peak memory is its own, and its
// figures printed against the block limit of the same run.

#include <cstdint>
#include <functional>
#include <string>

#include "bench/counting_file_system.h"
#include "bench/io_limits.h"

namespace dbt::bench {

struct Measured {
  double seconds = 0;         // the command alone, timed inside the child
  double slowestSeconds = 0;  // of several runs, the slowest; seconds is the fastest
  double userSeconds = 0;
  double systemSeconds = 0;
  double peakMiB = 0;      // above the peak of a child that does nothing
  int syncs = 0;           // fdatasync barriers the command asked for
  std::int64_t done = -1;  // records the command reports it changed or removed; -1: it failed
};

// ru_maxrss of a child that runs work, in KiB.
long ChildPeakKiB(const std::function<void()>& work);

// Runs work in a child; the child counts the barriers of files in its own copy and reports the
// count with its time and with what work returns: the records it did, or -1 when it failed, so
// that no figure is printed for work that was never done.
Measured InChild(CountingFileSystem& files, long baselineKiB,
                 const std::function<std::int64_t()>& work);

// Runs work `runs` times in children, each after prepare has laid out its tables afresh. The
// figures are those of the fastest run, as the block limit is the best of three: one run on a
// shared machine measures its neighbours as much as the command. Peak memory is the largest of
// all runs, and a run that failed fails the whole.
Measured BestOf(int runs, const std::function<void()>& prepare, CountingFileSystem& files,
                long baselineKiB, const std::function<std::int64_t()>& work);

// Prints the figures, or says that the command failed; false then. limit is taken as the
// command's runs are, on fresh copies; warm on one file three times, for comparison with earlier
// figures.
bool PrintCommand(const std::string& name, const Measured& measured, const Limit& limit,
                  const Limit& warm);

}  // namespace dbt::bench
