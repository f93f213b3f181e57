#pragma once

#include <QByteArray>
#include <QCryptographicHash>

#include <array>
#include <cstdint>
#include <optional>

// SHA-256 of a stream of bytes: with the processor's own SHA instructions where it has them, else
// Qt's implementation. An archive of a few megabytes is hashed while its entries are read back; the
// processor's instructions do that about ten times as fast.
class Sha256 final
{
public:
    Sha256();

    void addData(const char *data, qint64 length);
    // The digest of everything added, as 32 bytes.
    QByteArray result();

private:
    void compress(const unsigned char *blocks, qint64 count);

    std::optional<QCryptographicHash> m_fallback;
    std::array<std::uint32_t, 8> m_state{};
    std::array<unsigned char, 64> m_pending{};
    qint64 m_pendingLength = 0;
    std::uint64_t m_total = 0;
};
