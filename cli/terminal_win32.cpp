#include <windows.h>

#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "cli/terminal.h"
#include "util/win32/scoped_handles.h"

namespace dbt::cli {
namespace {

bool AnsiIsUtf8() {
  return GetACP() == CP_UTF8;
}

}  // namespace

// The C runtime's argv silently turns characters that the ANSI page lacks into "?" (best fit);
// reading the wide command line lets us refuse them instead of storing a wrong path.
TerminalArguments ReadArguments(int, char**) {
  TerminalArguments result;
  int count = 0;
  const ScopedLocalMemory<LPWSTR> wide(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!wide) {
    result.error = "the command line could not be read";
    return result;
  }
  const bool utf8 = AnsiIsUtf8();
  for (int i = 1; i < count; ++i) {
    LPCWSTR arg = wide.get()[i];
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    LPBOOL usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int size = WideCharToMultiByte(CP_ACP, flags, arg, -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_ACP, flags, arg, -1, text.data(), size, nullptr, usedDefaultOut);
    if (usedDefault) {
      result.error = "argument " + std::to_string(i) +
                     " holds a character that the ANSI code page cannot store";
      return result;
    }
    text.resize(std::char_traits<char>::length(text.c_str()));
    result.args.push_back(text);
  }
  return result;
}

// The tables' texts are code page 1252; a system whose ANSI page is UTF-8 needs converting,
// one with the Western page passes the bytes through.
AnsiText TerminalToAnsi(std::string_view text) {
  if (AnsiIsUtf8()) return Utf8ToCp1252(text);
  return AnsiText{std::string(text), {}};
}

std::string AnsiToTerminal(std::string_view ansi) {
  if (AnsiIsUtf8()) return Cp1252ToUtf8(ansi);
  return std::string(ansi);
}

bool StderrIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

}  // namespace dbt::cli
