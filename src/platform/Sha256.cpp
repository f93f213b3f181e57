#include "platform/Sha256.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#define SORVIK_SHA_INSTRUCTIONS 1
#endif

namespace {

#ifdef SORVIK_SHA_INSTRUCTIONS

alignas(16) constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

bool hasShaInstructions()
{
    // Leaf 7 names the SHA instructions (EBX bit 29), leaf 1 SSSE3 and SSE4.1 (ECX bits 9 and 19).
    static const bool has = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 9)) || !(c & (1u << 19)))
            return false;
        return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29)) != 0;
    }();
    return has;
}

// The 64 rounds for each block of 64 bytes, four at a time. The state is kept as the instructions
// want it: A, B, E, F in one register and C, D, G, H in the other.
__attribute__((target("sha,sse4.1,ssse3"))) void compressWithInstructions(std::uint32_t *state,
                                                                          const unsigned char *data, qint64 count)
{
    const __m128i byteOrder = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i *>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i *>(state + 4));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; count > 0; --count, data += 64) {
        const __m128i abefBefore = abef;
        const __m128i cdghBefore = cdgh;
        __m128i words[16];
        for (int i = 0; i < 16; ++i) {
            if (i < 4) {
                words[i] =
                    _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(data + 16 * i)), byteOrder);
            } else {
                __m128i next = _mm_sha256msg1_epu32(words[i - 4], words[i - 3]);
                next = _mm_add_epi32(next, _mm_alignr_epi8(words[i - 1], words[i - 2], 4));
                words[i] = _mm_sha256msg2_epu32(next, words[i - 1]);
            }
            __m128i message =
                _mm_add_epi32(words[i], _mm_load_si128(reinterpret_cast<const __m128i *>(kRound + 4 * i)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            message = _mm_shuffle_epi32(message, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    dcba = _mm_blend_epi16(feba, dchg, 0xF0);
    hgfe = _mm_alignr_epi8(dchg, feba, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(state), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(state + 4), hgfe);
}

#else

bool hasShaInstructions()
{
    return false;
}

void compressWithInstructions(std::uint32_t *, const unsigned char *, qint64) {}

#endif

} // namespace

Sha256::Sha256()
    : m_state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
    if (!hasShaInstructions())
        m_fallback.emplace(QCryptographicHash::Sha256);
}

void Sha256::compress(const unsigned char *blocks, qint64 count)
{
    compressWithInstructions(m_state.data(), blocks, count);
}

void Sha256::addData(const char *data, qint64 length)
{
    if (m_fallback) {
        m_fallback->addData(QByteArrayView(data, length));
        return;
    }
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    m_total += std::uint64_t(length);
    if (m_pendingLength > 0) {
        const qint64 taken = std::min<qint64>(length, 64 - m_pendingLength);
        std::memcpy(m_pending.data() + m_pendingLength, bytes, size_t(taken));
        m_pendingLength += taken;
        bytes += taken;
        length -= taken;
        if (m_pendingLength < 64)
            return;
        compress(m_pending.data(), 1);
        m_pendingLength = 0;
    }
    compress(bytes, length / 64);
    m_pendingLength = length % 64;
    std::memcpy(m_pending.data(), bytes + (length - m_pendingLength), size_t(m_pendingLength));
}

QByteArray Sha256::result()
{
    if (m_fallback)
        return m_fallback->result();
    // A one bit, zeros up to 8 bytes short of a block's end, and the length in bits, big-endian.
    std::array<unsigned char, 128> tail{};
    std::memcpy(tail.data(), m_pending.data(), size_t(m_pendingLength));
    tail[m_pendingLength] = 0x80;
    const qint64 blocks = m_pendingLength < 56 ? 1 : 2;
    const std::uint64_t bits = m_total * 8;
    for (int i = 0; i < 8; ++i)
        tail[64 * blocks - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    compress(tail.data(), blocks);
    m_pendingLength = 0;
    QByteArray digest(32, Qt::Uninitialized);
    for (int i = 0; i < 32; ++i)
        digest[i] = char(m_state[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}
