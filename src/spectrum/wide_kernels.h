// The filter bank and the level update four subbands at a time, built for
// AVX in a file of their own. Only call them where WideKernelsInUse() (in
// spectrum_values.h) says so; they give the same bits as the two-subband and
// one-subband code.
#pragma once

#include "spectrum/spectrum_tables.h"
#include "spectrum/spectrum_values.h"

namespace brelvano {

// Whether this build has the kernels (an x86 compiler that takes -mavx).
// Data, not code: reading it runs no AVX instruction.
extern const bool kWideKernelsBuilt;

// Long-block subbands sb..sb + 3 (sb even; in: their 72 lines) through the
// IMDCT, the window of windowType and the overlap-add: samples points at
// subband sb of time slot 0, previous and next at subband sb's overlap values.
void LongSubbandQuad(const SpectrumTables& tables, const double* in, int windowType,
                     const double* previous, double* samples, double* next);

// The levels of subbands 0 .. bands - 1 (a multiple of 4) after one granule.
void UpdateLevelQuads(const SpectrumTables& tables, const SubbandSamples& samples, float* levels,
                      int bands);

}  // namespace brelvano
