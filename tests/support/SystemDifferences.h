// What differs between the systems the tests run on, asked at run time so
// that a test states what it expects of each in one place. Each system's
// answers are in its own folder here; the build picks one.
#pragma once

#include <vector>

namespace testhost {

// Whether the system decodes the pictures (every bit depth) rather than our
// own decoder (the one bit depth the editor ships).
bool systemDecodesPictures();

// Whether a module can carry bitmap resources of the system's own kind: a
// DLL can, a shared library cannot.
bool modulesCarryBitmapResources();

// A worker pool created while this lives has `processors()` workers. Where
// the pool counts the processors the thread may run on (Linux), the thread's
// affinity is narrowed to the number wanted and put back by restore (or on
// destruction); elsewhere the pool takes every processor of the machine, and
// that count is the one answered.
class ProcessorLimit {
public:
    explicit ProcessorLimit(int wanted);
    ~ProcessorLimit();

    int processors() const { return count; }
    // Whether the narrowing took: false when the system refused it.
    bool narrowed() const { return applied; }
    // Puts the original processors back; false when the system refused.
    bool restore();

private:
    std::vector<int> original;
    int count = 0;
    bool applied = false;
    bool restored = false;
};

}  // namespace testhost
