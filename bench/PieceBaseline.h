// The dense piece played on the scalar kernel in this process, one worker,
// with every event applied at its exact frame: what the plug-in is compared with.
#pragma once

#include <cstdint>

#include "bench/DensePiece.h"

constexpr int kPieceBlock = 64;

// Frames of the piece every measurement renders: its first four bars, from rest.
std::int64_t pieceFrames(const DensePiece& piece);

struct PieceRun {
    double seconds = 0.0;
    double averageActiveKeys = 0.0;
    int mostActiveKeys = 0;
};
PieceRun playPieceOnScalarKernel(const DensePiece& piece);
