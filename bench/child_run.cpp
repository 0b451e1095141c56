#include "bench/child_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "bench/timing.h"

namespace dbt::bench {

long ChildPeakKiB(const std::function<void()>& work) {
  const pid_t child = fork();
  if (child == 0) {
    work();
    _exit(0);
  }
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  return usage.ru_maxrss;
}

Measured InChild(CountingFileSystem& files, long baselineKiB,
                 const std::function<std::int64_t()>& work) {
  int channel[2];
  if (pipe(channel) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    files.syncs = 0;
    std::int64_t done = -1;
    const double s = Seconds([&] { done = work(); });
    if (write(channel[1], &s, sizeof s) != sizeof s) _exit(1);
    if (write(channel[1], &files.syncs, sizeof files.syncs) != sizeof files.syncs) _exit(1);
    if (write(channel[1], &done, sizeof done) != sizeof done) _exit(1);
    _exit(0);
  }
  close(channel[1]);
  Measured measured;
  if (read(channel[0], &measured.seconds, sizeof measured.seconds) != sizeof measured.seconds) {
    measured.seconds = -1;
  }
  if (read(channel[0], &measured.syncs, sizeof measured.syncs) != sizeof measured.syncs) {
    measured.syncs = -1;
  }
  if (read(channel[0], &measured.done, sizeof measured.done) != sizeof measured.done) {
    measured.done = -1;
  }
  close(channel[0]);
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  measured.userSeconds = SecondsOf(usage.ru_utime);
  measured.systemSeconds = SecondsOf(usage.ru_stime);
  measured.peakMiB = static_cast<double>(usage.ru_maxrss - baselineKiB) / 1024.0;
  return measured;
}

Measured BestOf(int runs, const std::function<void()>& prepare, CountingFileSystem& files,
                long baselineKiB, const std::function<std::int64_t()>& work) {
  Measured best;
  double peakMiB = 0;
  double slowest = 0;
  for (int run = 0; run < runs; ++run) {
    prepare();
    const Measured measured = InChild(files, baselineKiB, work);
    if (measured.done < 0 || measured.seconds < 0) return measured;
    if (run > 0 && measured.done != best.done) {
      std::fprintf(stderr, "dbasetool-bench: runs of one command did %lld and %lld records\n",
                   static_cast<long long>(best.done), static_cast<long long>(measured.done));
      return {};
    }
    peakMiB = std::max(peakMiB, measured.peakMiB);
    slowest = std::max(slowest, measured.seconds);
    if (run == 0 || measured.seconds < best.seconds) best = measured;
  }
  best.peakMiB = peakMiB;
  best.slowestSeconds = slowest;
  return best;
}

bool PrintCommand(const std::string& name, const Measured& measured, const Limit& limit,
                  const Limit& warm) {
  if (measured.done < 0) {
    std::fprintf(stderr, "dbasetool-bench: %s failed\n", name.c_str());
    return false;
  }
  Print(name, measured.seconds, "s");
  if (measured.slowestSeconds > 0) Print(name + "_slowest", measured.slowestSeconds, "s");
  Print(name + "_records", static_cast<double>(measured.done), "records");
  Print(name + "_fdatasync", measured.syncs, "barriers");
  Print(name + "_vs_block_limit", measured.seconds / limit.seconds, "x");
  Print(name + "_vs_warm_block_limit", measured.seconds / warm.seconds, "x");
  Print(name + "_user", measured.userSeconds, "s");
  Print(name + "_system", measured.systemSeconds, "s");
  Print(name + "_cpu_vs_block_limit_cpu",
        (measured.userSeconds + measured.systemSeconds) / limit.cpuSeconds, "x");
  Print(name + "_peak_memory", measured.peakMiB, "MiB");
  return true;
}

}  // namespace dbt::bench
