// The "check" button: the closing report of the boot-mode stream, sent by hand to a
// receiver that an interrupted second stage left in its boot mode.
#pragma once

class UpgradeView;

void PressCheckButton(UpgradeView& view);  // button 1009
