// The executable's entry point: the application object's instance initialisation is the
// whole program.
#include <cstdlib>

#include <windows.h>

#include "platform/ui/application.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (ui::Application* application = ui::Application::Current()) application->InitInstance();
  // Ends at once: a worker thread may still be running, and no static destructor may tear
  // down the process-wide records it uses.
  std::_Exit(0);
}
