// A dialog of the program: a window made from a dialog template of the resources, run
// modally, whose message map sends each message or button click to a handler.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ui.h"
#include "platform/ui/controls.h"
#include "platform/ui/messages.h"
#include "platform/ui/window.h"

namespace ui {

class Dialog;

// Binds control objects to the controls the template made, in the order of the calls.
class DataExchange {
 public:
  explicit DataExchange(Dialog& dialog) : dialog_(dialog) {}
  void Bind(int id, Control& control);

 private:
  Dialog& dialog_;
};

class Dialog {
 public:
  explicit Dialog(int templateId);
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Makes the window from the template and runs it until EndDialog; the thread's other
  // dialogs take no input meanwhile. Returns the value passed to EndDialog, or -1 when
  // the window could not be made.
  std::intptr_t DoModal();
  void EndDialog(int result);

  WindowHandle Window() const { return window_; }
  int TemplateId() const { return templateId_; }

  // Every message of the window comes through here, on the thread that runs the dialog.
  Result Dispatch(Message message, WParam wParam, LParam lParam);
  // The backend ties the object to its window once it exists, and unties it when the
  // window is destroyed.
  void AttachWindow(WindowHandle window) { window_ = window; }

 protected:
  using RawHandler = Result (Dialog::*)(WParam, LParam);
  using ClickHandler = void (Dialog::*)();

  // Entries of the message map; a dialog adds them in its constructor.
  template <class D>
  void MapMessage(Message message, Result (D::*handler)(WParam, LParam)) {
    map_.push_back({message, 0, static_cast<RawHandler>(handler), nullptr});
  }
  template <class D>
  void MapClicked(int controlId, void (D::*handler)()) {
    map_.push_back({kWmCommand, controlId, nullptr, static_cast<ClickHandler>(handler)});
  }

  virtual void DoDataExchange(DataExchange& exchange);
  // Runs the data exchange. True lets the system put the focus on the first tab stop.
  virtual bool OnInitDialog();
  // What the system does with a message that no entry of the map takes.
  Result Default(Message message, WParam wParam, LParam lParam);

  void SetIcon(IconHandle icon, bool big);

 private:
  struct Entry {
    Message message;
    int commandId;
    RawHandler raw;
    ClickHandler clicked;
  };

  const Entry* Find(Message message, WParam wParam) const;

  int templateId_;
  WindowHandle window_{};
  std::vector<Entry> map_;
};

}  // namespace ui
