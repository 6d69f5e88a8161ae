#include "platform/ui/application.h"

namespace ui {
namespace {

Application* current = nullptr;

}  // namespace

Application::Application() {
  current = this;
}

Application::~Application() {
  if (current == this) current = nullptr;
}

Application* Application::Current() {
  return current;
}

}  // namespace ui
