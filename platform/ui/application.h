// The program's one application object, made before the backend's entry point runs.
// The entry runs its instance initialisation and then ends the process at once, without
// waiting for other threads and without tearing down process-wide records they may use.
#pragma once

namespace ui {

class Application {
 public:
  Application();
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The whole program: the process ends when it returns.
  virtual void InitInstance() = 0;

  // The last application object made, or null.
  static Application* Current();
};

}  // namespace ui
