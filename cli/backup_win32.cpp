#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <span>

#include "cli/backup.h"
#include "dbf/table_open_error.h"
#include "util/win32/scoped_handles.h"

namespace dbt::cli::backup_detail {
namespace {

std::string Reason(const std::string& file, DWORD error) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  std::string reason(text, length);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  if (reason.empty()) reason = "system error " + std::to_string(error);
  return NamedReason(file, reason);
}

bool WriteBlock(HANDLE to, std::span<const std::uint8_t> block, const std::string& copy,
                std::string& error) {
  DWORD put = 0;
  if (!WriteFile(to, block.data(), static_cast<DWORD>(block.size()), &put, nullptr)) {
    error = Reason(copy, GetLastError());
    return false;
  }
  if (put != block.size()) {
    error = Reason(copy, ERROR_DISK_FULL);
    return false;
  }
  return true;
}

}  // namespace

std::string LocalTimestamp() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond);
  return text;
}

// CreateFileA with CREATE_NEW, WriteFile and FlushFileBuffers all exist on Windows 2000.
CopyOutcome CopyNewFile(TableFile& table, const std::string& tableName, const std::string& copy,
                        std::string& error) {
  ScopedHandle to(CreateFileA(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!to.Valid()) {
    const DWORD failure = GetLastError();
    if (failure == ERROR_FILE_EXISTS || failure == ERROR_ALREADY_EXISTS) {
      return CopyOutcome::NameTaken;
    }
    error = Reason(copy, failure);
    return CopyOutcome::Failed;
  }
  bool copied = CopyBytes(table, tableName, error, [&](std::span<const std::uint8_t> block) {
    return WriteBlock(to.Get(), block, copy, error);
  });
  if (copied && !FlushFileBuffers(to.Get())) {
    error = Reason(copy, GetLastError());
    copied = false;
  }
  to.Reset();
  if (!copied) {
    DeleteFileA(copy.c_str());
    return CopyOutcome::Failed;
  }
  return CopyOutcome::Copied;
}

}  // namespace dbt::cli::backup_detail
