#pragma once
// Which vector paths the drawing and mixing code may take. SSE2 is part of
// x86-64, so it needs no check; AVX2 is asked of the CPU once. Setting
// QORBT_SCALAR=1 in the environment (or setVectorPaths(false)) sends every
// kernel down its plain scalar original instead: the pictures and the sound
// are the same bits either way, which the tests check.
namespace cpuFeatures {

bool vectorPaths();
bool avx2();  // false as well while the vector paths are off
void setVectorPaths(bool enabled);

}  // namespace cpuFeatures
