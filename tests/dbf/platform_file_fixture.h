#pragma once
// A small file of four bytes in a folder of its own, for the tests of the platform's file layer.

#include <gtest/gtest.h>

#include <string>

#include "dbf/table_file.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {

class PlatformFileTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFileBytes(path, {0x03, 1, 2, 3}); }
  TempDir dir;
  std::string path = dir.File("t.dbf");
};

}  // namespace dbt::test
