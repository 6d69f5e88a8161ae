// The three upgrade buttons: each finds the one device of its class, loads its image and
// starts the worker, or says why not.
#pragma once

class UpgradeView;

void StartMouseUpgrade(UpgradeView& view);       // button 1000
void StartReceiver1KUpgrade(UpgradeView& view);  // button 1002
void StartReceiver8KUpgrade(UpgradeView& view);  // button 1004
