#include <windows.h>

#include "tests/cli/cli_runner.h"
#include "tests/support/win32_thread.h"
#include "util/win32/scoped_handles.h"

namespace dbt::test {
namespace {

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int size =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return std::string();
  const int size = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

// The program prints in the ANSI code page with the console's CR LF line ends; the tests
// speak UTF-8 with LF on every host.
std::string AsTestText(const std::string& printed) {
  std::string text = Narrow(Widen(printed, CP_ACP), CP_UTF8);
  std::string lf;
  lf.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lf.push_back(text[i]);
  }
  return lf;
}

// One argument quoted as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

// The cross build names the program by its Unix path, which Wine serves as drive Z:.
std::wstring ProgramPath() {
  std::string path = DBT_CLI_EXE;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return Widen(path, CP_ACP);
}

void ReadAll(HANDLE pipe, std::string& into) {
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
    into.append(buffer, read);
}

bool MakePipe(ScopedHandle& readEnd, ScopedHandle& writeEnd) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(readEnd.Out(), writeEnd.Out(), &inherit, 0)) return false;
  return SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0) != 0;
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args) {
  CliRun run;
  ScopedHandle outRead, outWrite, errRead, errWrite;
  if (!MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite)) {
    run.err = "pipes could not be made";
    return run;
  }
  const std::wstring program = ProgramPath();
  std::wstring commandLine = Quoted(program);
  for (const std::string& arg : args) commandLine += L" " + Quoted(Widen(arg, CP_UTF8));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = outWrite.Get();
  startup.hStdError = errWrite.Get();
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &started)) {
    run.err = "the program could not be started: error " + std::to_string(GetLastError());
    return run;
  }
  ScopedHandle process(started.hProcess);
  ScopedHandle thread(started.hThread);
  // Only the child may hold the writing ends now, so the reads end when it does.
  outWrite.Reset();
  errWrite.Reset();
  std::string out, err;
  Win32Thread errReader([&] { ReadAll(errRead.Get(), err); });
  ReadAll(outRead.Get(), out);
  errReader.Join();
  DWORD code = 0;
  if (WaitForSingleObject(process.Get(), 60000) == WAIT_OBJECT_0 &&
      GetExitCodeProcess(process.Get(), &code)) {
    run.exitCode = static_cast<int>(code);
  }
  run.out = AsTestText(out);
  run.err = AsTestText(err);
  return run;
}

}  // namespace dbt::test
