// Built with the include paths of the document window, the commands, the
// dialogs and the list control by the test layer_windows_see_no_app, which
// passes only when this include is not found: they tell the main window what
// they need through signals and are handed what they use, and never reach up
// into it.
#include "app/frmMain.h"
