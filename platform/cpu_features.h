#pragma once
// Whether the drawing kernels may take their vector paths. They use SSE2
// only, which every x86-64 CPU has, so nothing is asked of the CPU. Setting
// QORBT_SCALAR=1 in the environment sends every kernel down its plain scalar
// original instead: the pictures are the same bits either way, which the
// shot-hash test checks.
namespace cpuFeatures {

bool vectorPaths();

}  // namespace cpuFeatures
