#pragma once
// Whether the drawing and mixing kernels may take their vector paths. They
// use SSE2 only, which every x86-64 CPU has, so nothing is asked of the CPU.
// Setting QORBT_SCALAR=1 in the environment sends every kernel down its plain
// scalar original instead: the pictures and the sound are the same bits
// either way, which the shot-hash and xmrender-hash tests check.
namespace cpuFeatures {

bool vectorPaths();

}  // namespace cpuFeatures
