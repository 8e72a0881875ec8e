// The show: on screen, no command line.
#include "app/driver.h"
#include "platform/host/host.h"

int main() {
    host::UseOnScreen();
    return WinMain(nullptr, nullptr, nullptr, SW_SHOW);
}
