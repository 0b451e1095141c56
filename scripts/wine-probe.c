/* The smallest Windows program: the test command starts it under Wine to learn whether this
   machine can run 32-bit Windows programs at all, and which Windows version Wine reports. */
#include <stdio.h>
#include <windows.h>

int main(void) {
  OSVERSIONINFOA version;
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return 1;
  printf("wine-probe ok (Windows %lu.%lu)\n", version.dwMajorVersion, version.dwMinorVersion);
  return 0;
}
