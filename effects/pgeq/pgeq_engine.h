// The Paragraphic EQ's running engine: one designed setting (a chain) with
// both channels' memories, and the loop that runs frames through it.
//
// Per frame and channel, in double precision:
//
//   x ─► band slots 0..n-1 ─► low shelf ×2 ─► high shelf ×2 ─► x·wet + input·dry
//
// The two channels run side by side, one in each half of a two-double
// vector, so that the processor overlaps their recursions; each lane does
// exactly the arithmetic a lone channel would, in the same order, so the
// channels' outputs do not depend on one another. The sections are software
// pipelined as well: while section s works on frame i, section s+1 works on
// frame i-1, so one frame's long path through eight sections does not hold
// up the next.
#pragma once

#include <cstddef>

#include "effects/pgeq/pgeq_design.h"

namespace orlofx {

struct PgeqChannelState {
  PgeqBandBlock bands;
  PgeqShelfBlock shelves;
};

// One design and the memories it runs with. Both channels hold the same
// coefficients; each has its own memories.
struct PgeqChain {
  PgeqChannelState channels[2];
  int activeBands;             // slots in use, packed from slot 0 in band order
  int slotBand[kPgeqBands];    // which band (0..3) each used slot runs
  double wet;
  double dry;
};

// A memory at or below this counts as quiet (the float interface's drain).
constexpr double kPgeqQuietLevel = 1e-5;

// Runs `frames` frames in place through the chain. io[2i] is channel 0 and
// io[2i+1] channel 1 of frame i (0 for a mono stream); each becomes the
// chain's output times wet plus the input times dry. Returns whether every
// watched memory (the first band slot's and every shelf stage's) stayed at
// or below kPgeqQuietLevel after every frame.
bool RunPgeqChain(PgeqChain& chain, double* io, std::size_t frames);

// Moves the memories of `from` into the freshly designed `to`: a band keeps
// its own memories whichever slot it moves to (a band that was off starts
// from silence), and a shelf keeps its stages' memories while it stays the
// same kind (cut or boost).
void CarryPgeqMemories(const PgeqChain& from, PgeqChain* to);

}  // namespace orlofx
