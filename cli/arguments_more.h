#pragma once
// The options of moving trees, checking documents and keeping a backup, beside the parser's
// own.

#include <cstddef>
#include <string>
#include <vector>

#include "cli/arguments.h"

namespace dbt::cli::arguments_detail {

enum class [[nodiscard]] Taken{NotMine, Taken, Failed};

// The option at args[i] (and its value, advancing i) when it is one of these; error says why
// when Failed.
Taken TakeMoreOption(const std::vector<std::string>& args, std::size_t& i, Options& options,
                     std::string& error);

// The combinations that make no sense; empty when there is none.
[[nodiscard]] std::string CheckMoreOptions(const Options& options);

}  // namespace dbt::cli::arguments_detail
