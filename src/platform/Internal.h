// Hooks between the files of the platform layer; not for use outside it.
#pragma once

namespace qb::platform::detail {

// Forgets the per-drive current directories (the drive table changed).
void ResetCurrentDirectories();

}  // namespace qb::platform::detail
