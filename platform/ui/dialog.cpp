#include "platform/ui/dialog.h"

namespace ui {

void DataExchange::Bind(int id, Control& control) {
  control.Attach(dialog_.Window(), id);
}

Dialog::Dialog(int templateId) : templateId_(templateId) {}

Result Dialog::Dispatch(Message message, WParam wParam, LParam lParam) {
  if (const Entry* entry = Find(message, wParam)) {
    if (entry->raw != nullptr) return (this->*entry->raw)(wParam, lParam);
    (this->*entry->clicked)();
    return 0;
  }
  if (message == kWmInitDialog) return OnInitDialog() ? 1 : 0;
  // The system turns Enter into OK and Esc and the close box into Cancel; both end the
  // dialog unless the map takes them.
  if (message == kWmCommand && HighWord(wParam) == kBnClicked) {
    const int id = LowWord(wParam);
    if (id == kIdOk || id == kIdCancel) {
      EndDialog(id);
      return 0;
    }
  }
  return Default(message, wParam, lParam);
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnInitDialog() {
  DataExchange exchange(*this);
  DoDataExchange(exchange);
  return true;
}

void Dialog::SetIcon(IconHandle icon, bool big) {
  SendToWindow(window_, kWmSetIcon, big ? kIconBig : kIconSmall,
               reinterpret_cast<LParam>(icon.value));
}

const Dialog::Entry* Dialog::Find(Message message, WParam wParam) const {
  for (const Entry& entry : map_) {
    if (entry.message != message) continue;
    if (message != kWmCommand) return &entry;
    if (HighWord(wParam) == kBnClicked && LowWord(wParam) == entry.commandId) return &entry;
  }
  return nullptr;
}

}  // namespace ui
