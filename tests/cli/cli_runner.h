#pragma once
// Runs the built dbasetool-cli as a separate process, as a script would.

#include <sstream>
#include <string>
#include <vector>

namespace dbt::test {

struct CliRun {
  int exitCode = -1;  // -1: did not end normally
  std::string out;
  std::string err;
};

CliRun RunCli(const std::vector<std::string>& args);

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace dbt::test
