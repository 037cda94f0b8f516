// DES and two-key triple DES through the loaded library: fixed known answers,
// OpenSSL as the reference for every key length where it is at hand (not in the
// Windows build), whole blocks only, the input left alone, in-place use, and
// calls from several threads at once.

#if TILVANE_DES_REFERENCE
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>
#endif

#include <cstring>
#include <string>
#include <thread>

#include "reader_fixture.h"

namespace {

using reader_test::Bytes;
using reader_test::operator+;

Bytes hex(const std::string &text) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Bytes that differ from block to block and from key to key.
Bytes sample(std::size_t count, std::uint8_t seed) {
    Bytes bytes(count);
    std::uint32_t x = 0x9E3779B9u * (seed + 1u);
    for (std::uint8_t &b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return bytes;
}

#if TILVANE_DES_REFERENCE
// OpenSSL's answer under this library's key rules: up to 8 bytes single DES,
// zero-filled; more, two-key triple DES with K2 zero-filled; beyond 16 ignored.
Bytes reference(const Bytes &data, const Bytes &key_bytes, bool encrypt) {
    DES_cblock k1{}, k2{};
    if (!key_bytes.empty()) {
        std::memcpy(k1, key_bytes.data(), std::min<std::size_t>(key_bytes.size(), 8));
    }
    if (key_bytes.size() > 8) {
        std::memcpy(k2, key_bytes.data() + 8, std::min<std::size_t>(key_bytes.size() - 8, 8));
    }
    DES_key_schedule s1, s2;
    DES_set_key_unchecked(&k1, &s1);
    DES_set_key_unchecked(&k2, &s2);
    Bytes out = data;
    for (std::size_t at = 0; at + 8 <= data.size(); at += 8) {
        const_DES_cblock in;
        DES_cblock result;
        std::memcpy(in, data.data() + at, 8);
        if (key_bytes.size() > 8) {
            DES_ecb3_encrypt(&in, &result, &s1, &s2, &s1, encrypt ? DES_ENCRYPT : DES_DECRYPT);
        } else {
            DES_ecb_encrypt(&in, &result, &s1, encrypt ? DES_ENCRYPT : DES_DECRYPT);
        }
        std::memcpy(out.data() + at, result, 8);
    }
    return out;
}
#endif

class Des : public reader_test::LoadedLibraryTest {
protected:
    // Runs the export over `data` into a copy of `data`, so bytes beyond the last
    // whole block show whether they were written.
    Bytes run(bool encrypt, const Bytes &data, const Bytes &key) {
        Bytes out = data;
        Bytes key_storage = key;
        key_storage.push_back(0);  // a real pointer even for a key of no bytes
        const auto fn = encrypt ? EXPORT(des_encrypt) : EXPORT(des_decrypt);
        EXPECT_EQ(fn(out.data(), data.data(), static_cast<std::int32_t>(data.size()),
                     key_storage.data(), static_cast<std::int32_t>(key.size())),
                  0);
        return out;
    }
};

TEST_F(Des, PublishedKnownAnswers) {
    struct Vector {
        const char *key, *plain, *cipher;
    };
    const Vector vectors[] = {
        {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
        {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},  // FIPS 81
        {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},  // SP 800-17
        {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
        {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
        {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
        {"0023456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},  // parity ignored
        // Two-key triple DES (K1 K2 K1), as OpenSSL's DES_ecb3_encrypt answers.
        {"0123456789ABCDEF23456789ABCDEF01", "5468652071756663", "C44862F70CF2FBDC"},
        {"0123456789ABCDEF23456789ABCDEF01", "6B2062726F776E20", "9077D0909FA91B88"},
    };
    for (const Vector &v : vectors) {
        EXPECT_EQ(run(true, hex(v.plain), hex(v.key)), hex(v.cipher)) << v.key;
        EXPECT_EQ(run(false, hex(v.cipher), hex(v.key)), hex(v.plain)) << v.key;
    }
}

// Each step keys DES with the previous result; every S-box entry is reached.
TEST_F(Des, IteratedSelfKeyedTest) {
    Bytes x = hex("9474B8E8C73BCA7D");
    for (int i = 0; i < 16; ++i) x = run(i % 2 == 0, x, x);
    EXPECT_EQ(x, hex("1B1A2DDB4C642438"));
}

#if TILVANE_DES_REFERENCE
TEST_F(Des, EveryKeyLengthFromNoneToTwentyMatchesTheReference) {
    const Bytes data = sample(5 * 8 + 3, 1);
    const Bytes all_key_bytes = sample(20, 2);
    for (std::size_t k = 0; k <= 20; ++k) {
        const Bytes key(all_key_bytes.begin(), all_key_bytes.begin() + k);
        const Bytes cipher = run(true, data, key);
        EXPECT_EQ(cipher, reference(data, key, true)) << k;
        EXPECT_EQ(run(false, data, key), reference(data, key, false)) << k;
        EXPECT_EQ(run(false, cipher, key), data) << k;
    }
}
#endif

TEST_F(Des, ShortKeysAreZeroFilledAndEqualHalvesAreSingleDes) {
    const Bytes data = sample(16, 3);
    const Bytes key4 = hex("A1B2C3D4");
    EXPECT_EQ(run(true, data, key4), run(true, data, hex("A1B2C3D400000000")));
    const Bytes key12 = hex("0123456789ABCDEF11223344");
    EXPECT_EQ(run(true, data, key12), run(true, data, hex("0123456789ABCDEF1122334400000000")));
    const Bytes half = hex("0123456789ABCDEF");
    EXPECT_EQ(run(true, data, half + half), run(true, data, half));
    EXPECT_NE(run(true, data, key12), run(true, data, hex("0123456789ABCDEF")));
}

TEST_F(Des, OnlyWholeBlocksAreProcessed) {
    const Bytes key = hex("133457799BBCDFF1");
    const Bytes input = sample(16, 4);
    Bytes out(16, 0xEE);
    EXPECT_EQ(EXPORT(des_encrypt)(out.data(), input.data(), 15, key.data(), 8), 0);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 8),
              run(true, Bytes(input.begin(), input.begin() + 8), key));
    EXPECT_EQ(Bytes(out.begin() + 8, out.end()), Bytes(8, 0xEE));

    for (const std::int32_t length : {7, 0, -8, -1, INT32_MIN}) {
        Bytes untouched(16, 0xEE);
        EXPECT_EQ(EXPORT(des_encrypt)(untouched.data(), input.data(), length, key.data(), 8), 0);
        EXPECT_EQ(EXPORT(des_decrypt)(untouched.data(), input.data(), length, key.data(), 16), 0);
        EXPECT_EQ(untouched, Bytes(16, 0xEE)) << length;
    }
}

TEST_F(Des, NullPointersAndNegativeKeyLengthsAreRefused) {
    std::uint8_t buffer[8] = {};
    const std::uint8_t key[8] = {};
    for (const auto fn : {EXPORT(des_encrypt), EXPORT(des_decrypt)}) {
        EXPECT_EQ(fn(nullptr, buffer, 8, key, 8), 1);
        EXPECT_EQ(fn(buffer, nullptr, 8, key, 8), 1);
        EXPECT_EQ(fn(buffer, buffer, 8, nullptr, 8), 1);
        EXPECT_EQ(fn(buffer, buffer, 0, nullptr, 0), 1);
        EXPECT_EQ(fn(buffer, buffer, 8, key, -1), 1);
    }
    EXPECT_EQ(Bytes(buffer, buffer + 8), Bytes(8, 0));
}

TEST_F(Des, TheInputStaysAsItWasAndInPlaceGivesTheSameResult) {
    const Bytes input = sample(64, 5);
    for (const std::size_t key_length : {8, 16}) {
        const Bytes key = sample(key_length, 6);
        for (const bool encrypt : {true, false}) {
            SCOPED_TRACE(std::to_string(key_length) + (encrypt ? " encrypt" : " decrypt"));
            const Bytes kept = input;
            const Bytes separate = run(encrypt, kept, key);
            EXPECT_EQ(kept, input);

            Bytes in_place = input;
            const auto fn = encrypt ? EXPORT(des_encrypt) : EXPORT(des_decrypt);
            EXPECT_EQ(fn(in_place.data(), in_place.data(), 64, key.data(),
                         static_cast<std::int32_t>(key_length)),
                      0);
            EXPECT_EQ(in_place, separate);
#if TILVANE_DES_REFERENCE
            EXPECT_EQ(separate, reference(input, key, encrypt));
#endif
        }
    }
}

// No shared work area: calls with different keys on several threads at once each
// get their own key's answer, the one a lone call gives.
TEST_F(Des, CallsFromSeveralThreadsAtOnce) {
    const auto encrypt = EXPORT(des_encrypt);
    const Bytes data = sample(256, 7);
    std::vector<Bytes> keys, expected;
    for (std::uint8_t t = 0; t < 4; ++t) {
        keys.push_back(sample(t % 2 == 0 ? 8 : 16, static_cast<std::uint8_t>(10 + t)));
        expected.push_back(run(true, data, keys.back()));
    }
    std::vector<int> mismatches(keys.size(), 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < keys.size(); ++t) {
        threads.emplace_back([&, t] {
            Bytes out(data.size());
            for (int i = 0; i < 2000; ++i) {
                encrypt(out.data(), data.data(), static_cast<std::int32_t>(data.size()),
                        keys[t].data(), static_cast<std::int32_t>(keys[t].size()));
                if (out != expected[t]) ++mismatches[t];
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(keys.size(), 0));
}

}  // namespace
