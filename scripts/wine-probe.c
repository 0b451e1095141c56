/* The smallest Windows program: the test command starts it under Wine to learn whether this
   machine can run 32-bit Windows programs at all. */
#include <stdio.h>

int main(void) {
  puts("wine-probe ok");
  return 0;
}
