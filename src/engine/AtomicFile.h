// Writing a whole file so that it is either all there or not changed at all: the text goes to
// a temporary file beside the target, is flushed to disk, and is renamed over the target.
#pragma once

#include <string>

namespace qb::engine {

// path may be any path form the platform layer resolves. False when any step fails; the target
// is then as it was and no temporary file is left.
bool WriteFileAtomically(const std::string& path, const std::string& contents);

}  // namespace qb::engine
