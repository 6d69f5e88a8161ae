#include "update/upgrade_state.h"

UpgradeStateRecord UpgradeState;
