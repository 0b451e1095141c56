#include "dialogs/file_dialog.h"

#include "dialogs/file_dialog_logic.h"

namespace dbt {
namespace {

enum class DialogKind { kOpen, kSave };

int RunSystemDialog(SystemFileDialogs& system, DialogKind kind, void* owner, std::string_view title,
                    std::string& file, const std::string& initialFolder, std::string_view filter,
                    std::int32_t& filterIndex, std::string_view defaultExtension,
                    std::uint32_t& flags) {
  FileDialogRequest request;
  request.owner = owner;
  request.title = std::string(title);
  request.buffer = kind == DialogKind::kOpen ? OpenFileBuffer(file) : SaveFileBuffer(file);
  request.initialFolder = initialFolder.empty() ? system.CurrentDirectory() : initialFolder;
  request.filterList = FilterList(filter);
  request.filterIndex = ValidFilterIndex(filterIndex);
  request.defaultExtension = std::string(defaultExtension);
  request.flags = flags;

  const int result =
      kind == DialogKind::kOpen ? system.OpenFileDialog(request) : system.SaveFileDialog(request);

  file = kind == DialogKind::kOpen ? CutOpenBuffer(request.buffer) : CutSaveBuffer(request.buffer);
  filterIndex = request.filterIndex;
  flags = request.flags;
  return result;
}

}  // namespace

int OpenFileDialog(SystemFileDialogs& system, void* owner, std::string_view title,
                   std::string& file, const std::string& initialFolder, std::string_view filter,
                   std::int32_t& filterIndex, std::string_view defaultExtension,
                   std::uint32_t& flags) {
  return RunSystemDialog(system, DialogKind::kOpen, owner, title, file, initialFolder, filter,
                         filterIndex, defaultExtension, flags);
}

int SaveFileDialog(SystemFileDialogs& system, void* owner, std::string_view title,
                   std::string& file, const std::string& initialFolder, std::string_view filter,
                   std::int32_t& filterIndex, std::string_view defaultExtension,
                   std::uint32_t& flags) {
  return RunSystemDialog(system, DialogKind::kSave, owner, title, file, initialFolder, filter,
                         filterIndex, defaultExtension, flags);
}

bool FileDialog(SystemFileDialogs& system, void* owner, std::string_view mode, std::string& file,
                const std::string& initialFolder, std::string_view filter,
                std::int32_t& filterIndex, std::string_view defaultExtension,
                std::uint32_t& flags) {
  const std::string title = FileDialogTitle(mode);
  const std::string completedFilter = CompleteFilter(filter);
  int result = 0;
  if (IsSaveTitle(title)) {
    flags = SaveDialogFlags(flags);
    result = SaveFileDialog(system, owner, title, file, initialFolder, completedFilter, filterIndex,
                            defaultExtension, flags);
  } else {
    flags = OpenDialogFlags(flags);
    result = OpenFileDialog(system, owner, title, file, initialFolder, completedFilter, filterIndex,
                            defaultExtension, flags);
  }
  if (result == 0) {
    file.clear();
    return false;
  }
  file = TextBeforeFirstNul(file);
  return true;
}

}  // namespace dbt
