// Decoding Deflate64 (ZIP method 9), which some Windows tools use for large files.
//
// Deflate64 is deflate with a 64 KiB window: distance codes 30 and 31 reach back up to 65,536
// bytes, and length code 285 takes 16 extra bits for matches of 3 to 65,538 bytes instead of
// meaning 258. Neither zlib, libdeflate nor libzip reads it, and no maintained decoder is
// packaged, so this is our own. It streams: the packed bytes are pulled in pieces and the
// output is handed on in pieces, so memory stays small for members of any size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace qb::izip {

class Inflate64 {
public:
    // Fills buffer with up to capacity packed bytes; 0 at the end of the member's data.
    using Input = std::function<size_t(unsigned char* buffer, size_t capacity)>;
    // Takes a piece of the output; false stops the decoding.
    using Output = std::function<bool(const unsigned char* data, size_t size)>;

    enum class Result {
        Done,  // the final block was decoded (bytes after it are ignored, as other readers do)
        BadData,  // not a valid stream, or the packed bytes end before its final block
        Stopped,  // output returned false, or input failed
    };

    Inflate64();
    ~Inflate64();
    Inflate64(const Inflate64&) = delete;
    Inflate64& operator=(const Inflate64&) = delete;

    Result Run(const Input& input, const Output& output);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qb::izip
