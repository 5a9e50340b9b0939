// Built with the platform layer's include paths by the test
// layer_platform_sees_no_app, which passes only when this include is not
// found: the platform layer must not depend on the program's windows.
#include "app/frmMain.h"
