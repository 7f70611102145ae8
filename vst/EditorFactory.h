// The plug-in's editor, made by whichever editor the module is linked with;
// it attaches itself to effect. Null when the module has none.
#pragma once

class AEffGUIEditor;
class AudioEffect;

AEffGUIEditor* createEditor(AudioEffect* effect);
