// The bit writer against a plain bit-by-bit model: fields of every width from 0 to 32 bits
// (with junk above the width), output that crosses the writer's flush size, every padding of
// the last byte, and a sink that refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "lzh_bitwriter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Model {
    Bytes bytes;
    unsigned bits = 0;  // in the last byte
    void Put(std::uint32_t value, unsigned n)
    {
        for (unsigned i = n; i-- > 0;) {
            if (bits % 8 == 0)
                bytes.push_back(0);
            if ((value >> i) & 1)
                bytes.back() |= static_cast<std::uint8_t>(0x80u >> (bits % 8));
            bits = bits % 8 + 1;
        }
    }
};

TEST(LzhBitWriter, EveryFieldWidthMatchesABitByBitModel)
{
    std::mt19937 rng(7);
    // From nothing, through a few bits, to enough to flush the buffer several times.
    for (const std::size_t fields : {0u, 1u, 3u, 1000u, 200000u}) {
        SCOPED_TRACE(fields);
        Bytes out;
        std::size_t calls = 0;
        const lzh::BitWriter::Sink sink = [&](const std::uint8_t* d, std::size_t n) {
            out.insert(out.end(), d, d + n);
            ++calls;
            return true;
        };
        lzh::BitWriter w(sink);
        Model model;
        for (std::size_t k = 0; k < fields; ++k) {
            const unsigned n = rng() % 33;
            const std::uint32_t value = static_cast<std::uint32_t>(rng());  // bits above n are junk
            w.Put(value, n);
            model.Put(value, n);
        }
        ASSERT_TRUE(w.Finish());
        EXPECT_EQ(out, model.bytes);
        EXPECT_EQ(w.bytesWritten(), model.bytes.size());
        EXPECT_EQ(w.lastByteBits(), model.bytes.empty() ? 0u : model.bits);
        if (out.size() > 200000) {
            EXPECT_GT(calls, 2u);  // handed over in pieces, not all at the end
        }
    }
}

TEST(LzhBitWriter, LastByteBitsAndRefusingSink)
{
    const lzh::BitWriter::Sink keep = [](const std::uint8_t*, std::size_t) { return true; };
    for (unsigned total = 1; total <= 70; ++total) {
        lzh::BitWriter w(keep);
        for (unsigned k = 0; k < total; ++k)
            w.Put(1, 1);
        ASSERT_TRUE(w.Finish());
        EXPECT_EQ(w.bytesWritten(), (total + 7) / 8) << total;
        EXPECT_EQ(w.lastByteBits(), total % 8 == 0 ? 8u : total % 8) << total;
    }
    const lzh::BitWriter::Sink refuse = [](const std::uint8_t*, std::size_t) { return false; };
    lzh::BitWriter w(refuse);
    for (int k = 0; k < 100000; ++k)
        w.Put(0xABCDEF, 24);
    EXPECT_FALSE(w.ok());  // refused at the first flush, long before the end
    EXPECT_FALSE(w.Finish());
}

// Runs of fields (as the block writer's symbols go out) mixed with single fields, up to the widest
// field a run may take, through several drains of the buffer.
TEST(LzhBitWriter, RunsOfFieldsMatchTheModel)
{
    std::mt19937 rng(11);
    Bytes out;
    const lzh::BitWriter::Sink sink = [&](const std::uint8_t* d, std::size_t n) {
        out.insert(out.end(), d, d + n);
        return true;
    };
    lzh::BitWriter w(sink);
    Model model;
    for (int round = 0; round < 60; ++round) {
        const unsigned maxBits = 1 + rng() % 56;
        std::size_t fields = std::min<std::size_t>(rng() % 30000, w.FieldsBeforeDrain(maxBits));
        ASSERT_GT(w.FieldsBeforeDrain(maxBits), 0u);
        {
            lzh::BitWriter::Run run(w);
            for (; fields > 0; --fields) {
                const unsigned n = rng() % (maxBits + 1);
                const std::uint64_t value =
                    ((std::uint64_t{rng()} << 32) | rng()) & ((std::uint64_t{1} << n) - 1);
                run.Put(value, n);
                model.Put(static_cast<std::uint32_t>(value >> 32), n > 32 ? n - 32 : 0);
                model.Put(static_cast<std::uint32_t>(value), n > 32 ? 32 : n);
            }
        }
        const unsigned n = rng() % 33;
        const auto value = static_cast<std::uint32_t>(rng());
        w.Put(value, n);
        model.Put(value, n);
    }
    ASSERT_TRUE(w.Finish());
    EXPECT_GT(out.size(), 200000u);
    EXPECT_EQ(out, model.bytes);
    EXPECT_EQ(w.lastByteBits(), model.bits);
}

}  // namespace
