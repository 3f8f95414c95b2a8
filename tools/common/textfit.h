#pragma once

#include <functional>
#include <optional>

// The largest whole size from `largest` down to `smallest` at which `fits` holds, trying the
// sizes in that order; nothing when none does.
std::optional<int> largestFitting(int largest, int smallest, const std::function<bool(int)> &fits);
