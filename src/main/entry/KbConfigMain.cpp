// The program's entry. The system's show command is not used: "-hid" alone
// decides whether the main window starts hidden.
#include "main/StartUp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  return startup::RunKbConfig(instance, commandLine);
}
