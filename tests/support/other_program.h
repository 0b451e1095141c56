#pragma once
// What another program (the fax application) meets when it tries to open a table: an open of
// its own, outside every FileSystem object of ours, with the locks it may use.

#include <string>

namespace dbt::test {

// True when an outside open for writing, with an exclusive lock of each kind the platform has
// (flock and an OFD record lock on POSIX; share mode 0 on Windows), would succeed now.
bool OtherProgramCanOpen(const std::string& path);

}  // namespace dbt::test
