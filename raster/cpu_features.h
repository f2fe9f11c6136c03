#pragma once
// Processor queries that choose the pixel arithmetic's variants. Both answer false where the
// identification instruction is missing or the processor family is below 5.

namespace velmora {

bool ProcessorHasMMX();
bool ProcessorHas3DNow();

// AVX2 for the wider row kernels; checked through the compiler's runtime support.
bool ProcessorHasAVX2();

}  // namespace velmora
