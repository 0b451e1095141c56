#include "journal/table_session.h"

#include "journal/recovery_log.h"

namespace dbt {
namespace {

JournalResult Finish(FileSystem& files, const std::string& path, TableFile& file) {
  JournalResult result;
  const journal_detail::RecoveryOutcome outcome = journal_detail::FinishInterruptedWrite(
      files, journal_detail::RecoveryPathOf(files, path), file);
  if (!outcome.ok) {
    result.error = TableOpenError::Other;
    result.detail = outcome.problem;
  }
  return result;
}

}  // namespace

JournalResult TableSession::Begin(FileSystem& files, const std::string& path) {
  if (TableFile* held = files.Leased(path)) {
    file_ = held;
    // A cheap lookup: only a step that failed inside this command leaves the file behind.
    if (!files.Exists(journal_detail::RecoveryPathOf(files, path))) return {};
    return Finish(files, path, *held);
  }
  FileOpenResult opened = files.OpenExclusive(path, OpenAccess::ReadWrite);
  if (!opened.file) {
    JournalResult result;
    result.error = TableOpenErrorOf(opened.error);
    return result;
  }
  JournalResult finished = Finish(files, path, *opened.file);
  if (!finished.ok()) return finished;
  file_ = opened.file.get();
  lease_ = std::make_unique<FileLease>(files, path, std::move(opened.file));
  return {};
}

JournalResult FinishCutChange(FileSystem& files, const std::string& path) {
  if (!files.Exists(journal_detail::RecoveryPathOf(files, path))) return {};
  TableSession finishing;
  return finishing.Begin(files, path);
}

}  // namespace dbt
