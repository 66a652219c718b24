// Helpers for the encoder tests: compress a byte vector, decode a stream with liblhasa (an
// independent decoder), and make test inputs of various characters.
#pragma once

#include <lha_decoder.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "lzh_encoder.h"

namespace lzh_test {

using Bytes = std::vector<std::uint8_t>;

inline const char* MethodName(lzh::EncodeMethod m)
{
    switch (m) {
    case lzh::EncodeMethod::Lh5:
        return "-lh5-";
    case lzh::EncodeMethod::Lh6:
        return "-lh6-";
    case lzh::EncodeMethod::Lh7:
        return "-lh7-";
    }
    return "";
}

// Compresses size bytes at data with the given options, handing them to the encoder at most
// readChunk bytes per read() call.
inline Bytes CompressWith(lzh::EncodeMethod method, const std::uint8_t* data, std::size_t size,
                          const lzh::EncodeOptions& options, std::size_t readChunk = SIZE_MAX,
                          lzh::EncodeResult* result = nullptr)
{
    Bytes out;
    std::size_t at = 0;
    lzh::EncodeIo io;
    io.read = [&](std::uint8_t* buf, std::size_t want) -> std::ptrdiff_t {
        const std::size_t n = std::min({want, readChunk, size - at});
        std::copy_n(data + at, n, buf);
        at += n;
        return static_cast<std::ptrdiff_t>(n);
    };
    io.write = [&](const std::uint8_t* bytes, std::size_t n) {
        out.insert(out.end(), bytes, bytes + n);
        return true;
    };
    const lzh::EncodeResult r = lzh::Encode(method, io, options);
    if (result)
        *result = r;
    return out;
}

// Compresses `in`, handing it to the encoder at most readChunk bytes per read() call.
inline Bytes Compress(lzh::EncodeMethod method, const Bytes& in, int level = 0,
                      std::size_t readChunk = SIZE_MAX, lzh::EncodeResult* result = nullptr)
{
    return CompressWith(method, in.data(), in.size(), lzh::EncodeOptions{level}, readChunk,
                        result);
}

// Decodes a raw stream with liblhasa. Returns nothing when the decoder cannot be created or
// stops short of originalSize bytes.
inline std::optional<Bytes> Decompress(const char* methodName, const Bytes& stream,
                                       std::size_t originalSize)
{
    struct Source {
        const Bytes* data;
        std::size_t at;
    } source{&stream, 0};
    auto feed = [](void* buf, std::size_t len, void* user) -> std::size_t {
        auto* s = static_cast<Source*>(user);
        const std::size_t n = std::min(len, s->data->size() - s->at);
        std::copy_n(s->data->begin() + static_cast<std::ptrdiff_t>(s->at), n,
                    static_cast<std::uint8_t*>(buf));
        s->at += n;
        return n;
    };
    std::string name = methodName;
    LHADecoderType* type = lha_decoder_for_name(name.data());
    if (!type)
        return std::nullopt;
    LHADecoder* decoder = lha_decoder_new(type, feed, &source, originalSize);
    if (!decoder)
        return std::nullopt;
    Bytes out(originalSize);
    std::size_t got = 0;
    while (got < originalSize) {
        const std::size_t n = lha_decoder_read(decoder, out.data() + got,
                                               std::min<std::size_t>(65536, originalSize - got));
        if (n == 0)
            break;
        got += n;
    }
    lha_decoder_free(decoder);
    if (got != originalSize)
        return std::nullopt;
    return out;
}

inline Bytes ReadFile(const std::filesystem::path& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline Bytes RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<std::uint8_t>(rng());
    return b;
}

// Word salad with repeats near and far, so every position and length symbol gets used.
inline Bytes TextLike(std::size_t n, unsigned seed)
{
    static const char* const kWords[] = {"the ",
                                         "licence ",
                                         "program ",
                                         "software ",
                                         "of ",
                                         "and ",
                                         "\xe3\x81\x93\xe3\x82\x8c ",
                                         "copy ",
                                         "0123 ",
                                         "\n",
                                         "distribute ",
                                         "modify ",
                                         "GNU ",
                                         "warranty ",
                                         "; "};
    std::mt19937 rng(seed);
    Bytes b;
    b.reserve(n + 32);
    while (b.size() < n) {
        if (b.size() > 1000 && rng() % 16 == 0) {
            // Repeat an earlier stretch, sometimes from far back.
            const std::size_t len = 3 + rng() % 300;
            const std::size_t from = rng() % (b.size() - 1);
            for (std::size_t k = 0; k < len && b.size() < n; ++k)
                b.push_back(b[from + k]);
            continue;
        }
        const char* w = kWords[rng() % std::size(kWords)];
        while (*w && b.size() < n)
            b.push_back(static_cast<std::uint8_t>(*w++));
    }
    return b;
}

}  // namespace lzh_test
