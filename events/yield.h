#pragma once

#include <chrono>

namespace skymra {

// The yield of a handler: runs the waiting events, their handlers and whatever those post in
// turn, until none is left. Events that never stop coming (a zero timer) end it after limit,
// so a yield always returns.
void yieldToEvents(std::chrono::milliseconds limit = std::chrono::milliseconds(250));

}  // namespace skymra
