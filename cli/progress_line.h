#pragma once
// A progress line on stderr for passes that take a while, shown only to a person at a terminal
// so that scripts and logs get clean output.

#include <chrono>
#include <cstdint>
#include <string>

#include "journal/journal_result.h"

namespace dbt::cli {

class ProgressLine {
 public:
  explicit ProgressLine(std::string what);
  ~ProgressLine();  // clears the line if one was drawn
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // The callback for the journal operations; empty when no terminal watches.
  [[nodiscard]] Progress Callback();
  // Takes the line away before a report line goes to the same terminal; the next update draws
  // it again below that line.
  void BeforeOutput() { Clear(); }

 private:
  void Update(std::int64_t done, std::int64_t total);
  void Clear();

  std::string what_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_;
  std::size_t drawnWidth_ = 0;
};

}  // namespace dbt::cli
