// What an editor test asks of its host, whatever the window system: a
// top-level window to parent the editor, idle calls, the editor's pixels and
// pointer input in the editor's coordinates. X11EditorTestHost.cpp and
// Win32EditorTestHost.cpp each implement it; the build picks one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/module/EditorHostCommon.h"

namespace editorhost {

class HostWindow {
public:
    // Where on the screen: the first host window, or another one beside it
    // that does not overlap it.
    enum class Place { first, second };

    explicit HostWindow(Place place = Place::first);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    void* asParent() const;
    // Windows inside this one: the editor's, when it is open.
    int childCount() const;
    void destroy();

    // The system's own handle (an X window id or a window handle).
    std::uintptr_t native() const { return window; }

private:
    std::uintptr_t window = 0;
};

// Whether parent, as passed to effEditOpen, still names a window.
bool parentExists(void* parent);
// Parents that name no window at all.
std::vector<void*> bogusParents();

// Idle calls as a host makes them, with the window system given time to
// deliver around each.
void idle(AEffect* effect, int calls = 3);

// RGB of every pixel of host's editor window, row by row (0xRRGGBB); empty
// when there is none.
std::vector<std::uint32_t> screenshot(const HostWindow& host);
// What the editor should show: the background with one handle per value.
Picture expectedPicture(const float values[4]);
// Kept beside the test for a look when it fails.
void saveScreenshot(const std::vector<std::uint32_t>& rgb, const std::string& stem);

// Position (in the host window), size and title of host's editor window.
struct EditorPlacement {
    int x = -1;
    int y = -1;
    int width = 0;
    int height = 0;
    std::string title;
};
bool editorPlacement(const HostWindow& host, EditorPlacement& placement);

// Numbers of the process that an editor opened and closed (or refused) must
// leave as they were: window-system errors, descriptors, windows.
std::vector<long long> footprint();

// Pointer input as the system delivers it to host's editor window, x and y
// in that window; the left button stays down from press to release.
enum class Modifier { shift, control };
void holdModifier(Modifier modifier, bool down);
void movePointer(const HostWindow& host, int x, int y);
void pressLeft(const HostWindow& host);
void releaseLeft(const HostWindow& host);
void click(const HostWindow& host, int x, int y);
// The second click of a double click, right after click at the same place.
void clickAgain(const HostWindow& host, int x, int y);
void otherClick(const HostWindow& host, int x, int y, bool right);
// One notch of the wheel with the pointer at (x, y).
void wheelNotch(const HostWindow& host, int x, int y, bool up);
// No modifier held, no button down; decodes what the expected pictures need
// before the plug-in starts anything.
void resetInput();

// One loaded plug-in instance with a host window, closed and released after
// the test; no modifier key held at either end.
class EditorTest : public PluginInstanceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    bool openEditor() { return dispatch(effect, effEditOpen, 0, 0, host.asParent()) == 1; }
    // Opens and lets the first picture be painted; whether a window shows it.
    bool openAndShow();
    std::vector<std::uint32_t> shot() const { return screenshot(host); }
    // Differing pixels between host's editor and the picture of effect's values.
    static int differenceFromValues(const HostWindow& host, AEffect* effect);
    int differenceFromValues() const { return differenceFromValues(host, effect); }

    HostWindow host;
};

}  // namespace editorhost
