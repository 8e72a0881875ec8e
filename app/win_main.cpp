#include "app/driver.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    return RunShow(instance, kShowSchedule);
}
