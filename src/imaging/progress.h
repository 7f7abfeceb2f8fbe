#pragma once
#include <functional>

namespace mw {
// Reports a percentage 0..100 while a long operation runs. May be empty.
using ProgressFn = std::function<void(int percent)>;
} // namespace mw
