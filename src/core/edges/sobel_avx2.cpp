// The edge map's walk compiled for AVX2. `flatten` compiles the whole walk, templates included,
// for this function's own target, so it works on 16 columns per instruction.

#include "edges/edge_walk.h"

#if defined(__x86_64__) || defined(__i386__)

namespace vireo::edge_walk {

__attribute__((target("avx2"), flatten)) void
edgeRowsAvx2(const Weights& weights, TrackingState& state, std::int16_t cut, int first, int last) {
    edgeRows(weights, state, cut, first, last);
}

__attribute__((target("avx2"), flatten)) void edgeRowsAvx2(const SobelKernels& kernels,
                                                           TrackingState& state, std::int16_t cut,
                                                           int first, int last) {
    edgeRows(kernels, state, cut, first, last);
}

} // namespace vireo::edge_walk

#endif
