// The LV2 plug-in's binary holds no editor (its UI is a binary of its own),
// so the instrument makes none.
#include "vst/EditorFactory.h"

AEffGUIEditor* createEditor(AudioEffect*) { return nullptr; }
