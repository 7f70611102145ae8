#include "engine/RenderVariants.h"

namespace {

bool always() { return true; }
bool hasAvx2() { return __builtin_cpu_supports("avx2"); }
bool hasAvx512() { return __builtin_cpu_supports("avx512f"); }

const RenderVariant& widestSupported() {
    __builtin_cpu_init();
    for (int i = 2; i > 0; --i)
        if (kRenderVariants[i].supported()) return kRenderVariants[i];
    return kRenderVariants[0];
}

}  // namespace

const RenderVariant kRenderVariants[3] = {
    {"sse2", renderKeysSse2, always},
    {"avx2", renderKeysAvx2, hasAvx2},
    {"avx512", renderKeysAvx512, hasAvx512},
};

namespace {

// Chosen while the library loads, before any host call can render.
const RenderVariant& selected = widestSupported();

}  // namespace

const RenderVariant& selectedRenderVariant() { return selected; }

void renderKeys(RenderJob* job) { selected.render(job); }
