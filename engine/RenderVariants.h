// The builds of the render kernel, one per instruction set. renderKeys runs the
// widest one the processor supports, chosen once when the library is loaded;
// every one gives bit-identical results.
#pragma once

#include "engine/KeyModel.h"

using RenderFunction = void (*)(RenderJob*);

void renderKeysSse2(RenderJob* job);
void renderKeysAvx2(RenderJob* job);
void renderKeysAvx512(RenderJob* job);
// The plain sample-by-sample reference that every variant must reproduce
// exactly; never chosen for rendering.
void renderKeysScalar(RenderJob* job);

struct RenderVariant {
    const char* name;
    RenderFunction render;
    bool (*supported)();
};

// Narrowest first.
extern const RenderVariant kRenderVariants[3];

// The variant renderKeys runs on this processor.
const RenderVariant& selectedRenderVariant();
