#pragma once

#include <benchmark/benchmark.h>

namespace vireo::bench {

// The per-frame stages of Vireo, each over the thirteen frames of frame set `set`
// (see frame_sets.h), one frame per iteration in turn.

// The floor: open a frame file, read all of it into a buffer, close it.
void readFileOnly(benchmark::State& state, int set);
// moveme: a frame file to a grey frame (the file bytes kept, no picture shown).
void loadFrame(benchmark::State& state, int set);
// convertToGrey: a frame file's pixel data, already in memory, to a grey frame, on the fastest
// instruction set and (for information, as a processor without SSSE3 or AVX2 runs it) on the
// portable one.
void convertGrey(benchmark::State& state, int set);
void convertGreyPortable(benchmark::State& state, int set);
// computeEdges: the edge map of a loaded grey frame at the start-up threshold.
void computeEdgeMap(benchmark::State& state, int set);
// The same on the portable instruction set, for information.
void computeEdgeMapPortable(benchmark::State& state, int set);
// translate: an edge frame painted onto a raster surface, one set-pixel per cell.
void paintEdges(benchmark::State& state, int set);
// findcenter: one "Find Center", three centre searches and the overlay on a raster surface.
void findCenter(benchmark::State& state, int set);
// Sobel after a threshold change: the edge map recomputed and painted (no widget).
void changeThreshold(benchmark::State& state, int set);
// A frame change and "Display Picture" on a Tracker without surfaces: a frame file to its edge
// frame, the work the OpenCV pipeline does.
void loadAndComputeEdges(benchmark::State& state, int set);
// The single-threshold pipeline through the operator's steps: frame change, "Display Picture"
// and one "Find Center" on a Tracker without surfaces (what vireo-cli does per frame and
// threshold when it writes edge maps or pictures, without the writing).
void trackerPipeline(benchmark::State& state, int set);
// The per-frame pipeline of vireo-cli without output files: one frame swept at the start-up
// threshold (load, gradient magnitudes of the searched rows, one "Find Center") and its CSV
// record formatted.
void cliPipeline(benchmark::State& state, int set);

// Registers the stages above as "<stage>/vireo/<set>" for both frame sets.
void registerVireoStages();

} // namespace vireo::bench
