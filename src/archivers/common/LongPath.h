// Opening files whose paths are longer than the system accepts in one call (PATH_MAX, 4096
// bytes). Deep trees have such paths; packing must not leave their files out, so a long path
// is opened piece by piece, each piece relative to the folder opened before it.
#pragma once

#include <string>

namespace qb::arc {

// open(2) for a path of any length. Returns the descriptor or -1 with errno set. Links are
// followed as open(2) follows them.
int OpenLongPath(const std::string& path, int flags);

}  // namespace qb::arc
