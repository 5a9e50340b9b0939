// Built with the RTF layer's include paths by the test layer_rtf_sees_no_platform,
// which passes only when this include is not found: the RTF reader and writer
// must not depend on the editor control or anything else above them.
#include "platform/RichTextBox.h"
