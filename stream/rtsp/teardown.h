#pragma once

#include <functional>

namespace skymra {

// Runs `teardown` on a thread of its own and returns at once: a camera that does not answer its
// TEARDOWN, or a connection that could not be told apart, must not hold the window up. At exit
// the program waits for every teardown still running.
void tearDownApart(std::function<void()> teardown);

}  // namespace skymra
