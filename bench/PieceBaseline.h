// The dense piece played in this process on one worker, with every event
// applied at its exact frame: on the scalar kernel it is what the plug-in is
// compared with.
#pragma once

#include <cstdint>

#include "bench/DensePiece.h"
#include "engine/RenderVariants.h"

constexpr int kPieceBlock = 64;

// Frames of the piece every measurement renders: its first four bars, from rest.
std::int64_t pieceFrames(const DensePiece& piece);

struct PieceRun {
    double seconds = 0.0;
    double averageActiveKeys = 0.0;
    int mostActiveKeys = 0;
};
PieceRun playPieceInProcess(const DensePiece& piece, RenderFunction render);
