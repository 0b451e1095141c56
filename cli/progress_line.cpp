#include "cli/progress_line.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "cli/terminal.h"

namespace dbt::cli {
namespace {

// Short runs finish before anyone would read a line; updates faster than this only flicker.
constexpr auto kFirstAfter = std::chrono::milliseconds(500);
constexpr auto kEvery = std::chrono::milliseconds(200);

}  // namespace

ProgressLine::ProgressLine(std::string what)
    : what_(std::move(what)), start_(std::chrono::steady_clock::now()), last_(start_) {}

ProgressLine::~ProgressLine() {
  Clear();
}

Progress ProgressLine::Callback() {
  if (!StderrIsTerminal()) return {};
  return [this](std::int64_t done, std::int64_t total) { Update(done, total); };
}

void ProgressLine::Update(std::int64_t done, std::int64_t total) {
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < kFirstAfter || now - last_ < kEvery) return;
  last_ = now;
  const std::string line = what_ + ": " + std::to_string(done) + " of " + std::to_string(total);
  std::string out = "\r" + line;
  if (line.size() < drawnWidth_) out += std::string(drawnWidth_ - line.size(), ' ');
  drawnWidth_ = std::max(drawnWidth_, line.size());
  std::fputs(out.c_str(), stderr);
  std::fflush(stderr);
}

void ProgressLine::Clear() {
  if (drawnWidth_ == 0) return;
  // Blanks rather than an escape sequence: older Windows consoles print escapes literally.
  const std::string out = "\r" + std::string(drawnWidth_, ' ') + "\r";
  std::fputs(out.c_str(), stderr);
  std::fflush(stderr);
  drawnWidth_ = 0;
}

}  // namespace dbt::cli
