// The encoder must report failures of its callbacks, stop promptly, and never claim success.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "lzh_enc_test_support.h"

using lzh::EncodeMethod;

namespace {

lzh::EncodeIo SourceOf(const lzh_test::Bytes& in, std::size_t& at)
{
    lzh::EncodeIo io;
    io.read = [&in, &at](std::uint8_t* buf, std::size_t size) -> std::ptrdiff_t {
        const std::size_t n = std::min(size, in.size() - at);
        std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(at), n, buf);
        at += n;
        return static_cast<std::ptrdiff_t>(n);
    };
    return io;
}

}  // namespace

TEST(LzhEncoderFailure, ReadErrorIsReported)
{
    const auto text = lzh_test::TextLike(3 << 20, 1);
    std::size_t at = 0;
    lzh::EncodeIo io = SourceOf(text, at);
    const auto inner = io.read;
    io.read = [&](std::uint8_t* buf, std::size_t size) -> std::ptrdiff_t {
        return at >= (2u << 20) ? -1 : inner(buf, std::min<std::size_t>(size, 100000));
    };
    io.write = [](const std::uint8_t*, std::size_t) { return true; };
    const auto r = lzh::Encode(EncodeMethod::Lh5, io);
    EXPECT_FALSE(r.ok);
}

TEST(LzhEncoderFailure, ReadClaimingMoreThanAskedIsAnError)
{
    lzh::EncodeIo io;
    io.read = [](std::uint8_t*, std::size_t size) -> std::ptrdiff_t {
        return static_cast<std::ptrdiff_t>(size) + 1;
    };
    io.write = [](const std::uint8_t*, std::size_t) { return true; };
    EXPECT_FALSE(lzh::Encode(EncodeMethod::Lh6, io).ok);
}

// A refusing sink (disk full, cancel) stops the encoder: it does not read the rest of the input
// or keep calling write.
TEST(LzhEncoderFailure, RefusedWriteStopsEarly)
{
    const auto random = lzh_test::RandomBytes(20 << 20, 2);
    std::size_t at = 0;
    lzh::EncodeIo io = SourceOf(random, at);
    int writes = 0;
    io.write = [&](const std::uint8_t*, std::size_t) { return ++writes < 2; };
    const auto r = lzh::Encode(EncodeMethod::Lh7, io);
    EXPECT_FALSE(r.ok);
    EXPECT_LE(writes, 2);
    EXPECT_LT(at, random.size() / 2);
}

TEST(LzhEncoderFailure, ThrowingCallbackAndMissingCallbacks)
{
    const auto text = lzh_test::TextLike(100000, 3);
    std::size_t at = 0;
    lzh::EncodeIo io = SourceOf(text, at);
    io.write = [](const std::uint8_t*, std::size_t) -> bool {
        throw std::runtime_error("sink gone");
    };
    EXPECT_FALSE(lzh::Encode(EncodeMethod::Lh5, io).ok);
    lzh::EncodeIo empty;
    EXPECT_FALSE(lzh::Encode(EncodeMethod::Lh5, empty).ok);
    io.write = [](const std::uint8_t*, std::size_t) { return true; };
    EXPECT_FALSE(lzh::Encode(static_cast<EncodeMethod>(4), io).ok);
}

// Encoders share nothing, so members can be compressed on several threads at once.
TEST(LzhEncoderFailure, ConcurrentEncodersAgree)
{
    const auto text = lzh_test::TextLike(1 << 20, 4);
    const auto expected = lzh_test::Compress(EncodeMethod::Lh7, text);
    std::vector<lzh_test::Bytes> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results)
        threads.emplace_back([&] { r = lzh_test::Compress(EncodeMethod::Lh7, text); });
    for (auto& t : threads)
        t.join();
    for (const auto& r : results)
        EXPECT_EQ(r, expected);
}
