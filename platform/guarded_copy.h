#pragma once

#include <cstddef>

namespace skymra {

// Copies n bytes, or returns false, without crashing, when the source is no longer mapped.
// A camera's frame can point into memory its server has already taken back (PipeWire does so
// when a camera goes); reading it plainly would kill the program.
bool guardedCopy(void* to, const void* from, std::size_t n);

}  // namespace skymra
