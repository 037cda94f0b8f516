// DES throughput of the library next to OpenSSL's, single DES (8-byte key) and
// two-key triple DES (16-byte key), on 64-byte and 4 KiB buffers. Goal: at least
// 0.8 times OpenSSL's bytes per second.
//
// Two pairs:
// - Call: one des_encrypt call as a caller makes it, keys set up inside, against
//   OpenSSL setting up its keys and running the same blocks.
// - Blocks: the block function alone, keys set up beforehand on both sides.

#define OPENSSL_SUPPRESS_DEPRECATED
#include <benchmark/benchmark.h>
#include <openssl/des.h>

#include <cstring>
#include <vector>

#include "des.h"
#include "drovik.h"

namespace {

const std::uint8_t kKey[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                               0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

struct Buffers {
    explicit Buffers(std::size_t size) : in(size), out(size) {
        for (std::size_t i = 0; i < size; ++i) in[i] = static_cast<std::uint8_t>(i * 7);
    }
    std::vector<std::uint8_t> in, out;
};

struct OpenSslKeys {
    explicit OpenSslKeys(int key_length) : triple(key_length > 8) {
        DES_cblock k1, k2;
        std::memcpy(k1, kKey, 8);
        std::memcpy(k2, kKey + 8, 8);
        DES_set_key_unchecked(&k1, &first);
        if (triple) DES_set_key_unchecked(&k2, &second);
    }

    // OpenSSL's declarations take neither the input nor the schedules as const.
    void encrypt(const std::uint8_t *in, std::uint8_t *out, std::size_t size) {
        for (std::size_t at = 0; at < size; at += 8) {
            auto *block_in =
                reinterpret_cast<const_DES_cblock *>(const_cast<std::uint8_t *>(in + at));
            auto *block_out = reinterpret_cast<DES_cblock *>(out + at);
            if (triple) {
                DES_ecb3_encrypt(block_in, block_out, &first, &second, &first, DES_ENCRYPT);
            } else {
                DES_ecb_encrypt(block_in, block_out, &first, DES_ENCRYPT);
            }
        }
    }

    bool triple;
    DES_key_schedule first{}, second{};
};

// Arguments: key length (8 or 16), buffer size.
void BM_Call_Drovik(benchmark::State &state) {
    const auto key_length = static_cast<std::int32_t>(state.range(0));
    Buffers buffers(static_cast<std::size_t>(state.range(1)));
    const auto size = static_cast<std::int32_t>(buffers.in.size());
    for (auto _ : state) {
        des_encrypt(buffers.out.data(), buffers.in.data(), size, kKey, key_length);
        benchmark::DoNotOptimize(buffers.out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_Call_OpenSSL(benchmark::State &state) {
    const auto key_length = static_cast<int>(state.range(0));
    Buffers buffers(static_cast<std::size_t>(state.range(1)));
    for (auto _ : state) {
        OpenSslKeys keys(key_length);
        keys.encrypt(buffers.in.data(), buffers.out.data(), buffers.in.size());
        benchmark::DoNotOptimize(buffers.out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(buffers.in.size()));
}

void BM_Blocks_Drovik(benchmark::State &state) {
    const auto key_length = static_cast<std::size_t>(state.range(0));
    Buffers buffers(static_cast<std::size_t>(state.range(1)));
    const drovik::des::Cipher cipher(kKey, key_length, drovik::des::Direction::Encrypt);
    const std::size_t blocks = buffers.in.size() / drovik::des::kBlockSize;
    for (auto _ : state) {
        cipher.process(buffers.out.data(), buffers.in.data(), blocks);
        benchmark::DoNotOptimize(buffers.out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(buffers.in.size()));
}

void BM_Blocks_OpenSSL(benchmark::State &state) {
    OpenSslKeys keys(static_cast<int>(state.range(0)));
    Buffers buffers(static_cast<std::size_t>(state.range(1)));
    for (auto _ : state) {
        keys.encrypt(buffers.in.data(), buffers.out.data(), buffers.in.size());
        benchmark::DoNotOptimize(buffers.out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(buffers.in.size()));
}

void des_cases(benchmark::internal::Benchmark *b) {
    b->ArgNames({"key", "bytes"});
    for (const int key_length : {8, 16}) {
        for (const int size : {64, 4096}) b->Args({key_length, size});
    }
}

BENCHMARK(BM_Call_Drovik)->Apply(des_cases);
BENCHMARK(BM_Call_OpenSSL)->Apply(des_cases);
BENCHMARK(BM_Blocks_Drovik)->Apply(des_cases);
BENCHMARK(BM_Blocks_OpenSSL)->Apply(des_cases);

}  // namespace
