// jex [addfile]: the console front end.
#include "core/printout.h"
#include "platform/console_platform.h"

int main(int, char**) {
    platform::installEscapeOnInterrupt();
    printout("Jex7 - Version 7.4\n");
    return 0;
}
