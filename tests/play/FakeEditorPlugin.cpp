// A stand-in instrument with an editor that watches how it is hosted: which
// thread opens, idles and closes the editor and how often it is idled, and
// whether the editor is closed before the instance. It opens a plain child
// window of its size in the parent it is given, and on effClose writes what
// it saw to the file FAKE_EDITOR_LOG names, one "key value" a line. While a
// note is held it plays a square wave of amplitude velocity / 127.
#include <pthread.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "vst/VstInterface.h"

namespace {

constexpr int kWidth = 320, kHeight = 180;
constexpr int kPrograms = 4;
const char* const kNames[kPrograms] = {"first", "second", "third", "fourth"};

AEffect record;
ERect rect{0, 0, kHeight, kWidth};
int program = 0;
std::uint8_t bank[16] = {};

pthread_t editorThread{};
bool editorOpen = false, editorClosed = false, closedWhileOpen = false;
int foreignCalls = 0;  // editor calls from a thread other than the one that opened it
pthread_t loaderThread{};
std::atomic<int> processCalls{0};
std::atomic<int> processOnLoaderThread{0};
float level = 0.0f;  // the audio thread's alone
int phase = 0;
std::vector<double> idleIntervals;
std::chrono::steady_clock::time_point lastIdle;
int idles = 0;

xcb_connection_t* conn = nullptr;
xcb_window_t child = 0;

void onEditorThread() {
    if (!pthread_equal(pthread_self(), editorThread)) ++foreignCalls;
}

bool openEditor(void* parent) {
    editorThread = pthread_self();
    editorOpen = true;
    conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        xcb_disconnect(conn);
        editorOpen = false;
        return false;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    child = xcb_generate_id(conn);
    const auto parentWindow = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(parent));
    const std::uint32_t white[] = {screen->white_pixel};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, child, parentWindow, 0, 0, kWidth, kHeight, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, white);
    xcb_map_window(conn, child);
    xcb_flush(conn);
    return true;
}

void closeEditor() {
    onEditorThread();
    if (!editorOpen) return;
    xcb_destroy_window(conn, child);
    xcb_disconnect(conn);
    editorOpen = false;
    editorClosed = true;
}

void writeLog() {
    const char* path = std::getenv("FAKE_EDITOR_LOG");
    if (!path) return;
    FILE* log = std::fopen(path, "w");
    if (!log) return;
    std::fprintf(log,
                 "opened-on-loader-thread %d\nclosed %d\nclosed-while-open %d\nforeign-calls %d\n"
                 "process-calls %d\nprocess-on-loader-thread %d\n",
                 pthread_equal(editorThread, loaderThread) ? 1 : 0, editorClosed ? 1 : 0, closedWhileOpen ? 1 : 0,
                 foreignCalls, processCalls.load(), processOnLoaderThread.load());
    std::fprintf(log, "idles %d\nintervals", idles);
    for (double interval : idleIntervals) std::fprintf(log, " %.2f", interval);
    std::fprintf(log, "\n");
    std::fclose(log);
}

VstIntPtr dispatch(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float) {
    switch (opcode) {
        case effClose:
            closedWhileOpen = editorOpen;
            writeLog();
            return 0;
        case effSetProgram:
            if (value >= 0 && value < kPrograms) program = static_cast<int>(value);
            return 0;
        case effGetProgram:
            return program;
        case effGetProgramNameIndexed:
            if (index < 0 || index >= kPrograms) return 0;
            std::strcpy(static_cast<char*>(ptr), kNames[index]);
            return 1;
        case effGetChunk:
            *static_cast<void**>(ptr) = bank;
            return sizeof bank;
        case effSetChunk:
            return value == sizeof bank ? 1 : 0;
        case effProcessEvents: {
            const auto* list = static_cast<const VstEvents*>(ptr);
            for (int i = 0; i < list->numEvents; ++i) {
                const auto* midi = reinterpret_cast<const VstMidiEvent*>(list->events[i]);
                if (midi->type != kVstMidiType) continue;
                const int status = midi->midiData[0] & 0xF0, velocity = midi->midiData[2] & 0x7F;
                if (status == 0x90 && velocity > 0) level = velocity / 127.0f;
                if (status == 0x80 || (status == 0x90 && velocity == 0)) level = 0.0f;
            }
            return 1;
        }
        case effEditGetRect:
            *static_cast<ERect**>(ptr) = &rect;
            return 1;
        case effEditOpen:
            return openEditor(ptr) ? 1 : 0;
        case effEditClose:
            closeEditor();
            return 0;
        case effEditIdle: {
            onEditorThread();
            const auto now = std::chrono::steady_clock::now();
            if (idles++ > 0)
                idleIntervals.push_back(std::chrono::duration<double, std::milli>(now - lastIdle).count());
            lastIdle = now;
            return 0;
        }
        default:
            return 0;
    }
}

void process(AEffect*, float**, float** outputs, VstInt32 frames) {
    processCalls.fetch_add(1);
    if (pthread_equal(pthread_self(), loaderThread)) processOnLoaderThread.fetch_add(1);
    for (VstInt32 i = 0; i < frames; ++i, phase = (phase + 1) % 100)
        outputs[0][i] = outputs[1][i] = phase < 50 ? level : -level;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
    loaderThread = pthread_self();
    record = AEffect{};
    record.magic = kEffectMagic;
    record.dispatcher = dispatch;
    record.numOutputs = 2;
    record.numPrograms = kPrograms;
    record.flags = effFlagsIsSynth | effFlagsCanReplacing | effFlagsHasEditor;
    record.processReplacing = process;
    return &record;
}
