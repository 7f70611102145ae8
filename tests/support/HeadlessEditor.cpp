#include "tests/support/HeadlessEditor.h"

#include "vst/EditorFactory.h"

namespace testhost {

HeadlessEditor::HeadlessEditor(AudioEffect* effect) : AEffGUIEditor(effect) { rect = {0, 0, 238, 494}; }

void HeadlessEditor::setParameter(VstInt32 index, float value) {
    if (index >= 0 && index < 4) values[index] = value;
}

}  // namespace testhost

AEffGUIEditor* createEditor(AudioEffect* effect) { return new testhost::HeadlessEditor(effect); }
