// Joining separately compressed pieces of one file into a single deflate stream.
//
// A big file is cut into pieces that the workers compress at the same time, each as a complete
// deflate stream (libdeflate compresses whole buffers only). A deflate stream ends with a block
// marked final, after which a reader stops. To put pieces one after another, every piece but the
// last must lose that mark and end on a byte boundary: we find where the final block starts and
// ends by inflating the piece with zlib block by block (Z_BLOCK), clear its final bit, and close
// the piece with an empty stored block, which pads to a byte boundary (00 00 FF FF), as zlib's
// own sync flush does. The result is a valid prefix of a stream that the next piece continues.
#pragma once

#include <vector>

namespace qb::izip {

// Rewrites a complete raw deflate stream so that it no longer ends the stream. Returns false
// when the data is not a well-formed stream (then it is left unchanged).
bool MakeNonFinal(std::vector<unsigned char>& stream);

}  // namespace qb::izip
