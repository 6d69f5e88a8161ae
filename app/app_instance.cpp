// The executable's one application object, made before the entry point runs.
#include "app/orvik_ota_tools_app.h"

CORVIKOTATOOLSApp theApp;
