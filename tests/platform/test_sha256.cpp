#include "platform/Sha256.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <random>

// The processor's SHA instructions, where they are used, against Qt's implementation: lengths around
// the block and padding boundaries, fed in pieces that split blocks anywhere.
TEST(Sha256, AgreesWithQtAcrossBlockBoundariesAndPieces)
{
    std::mt19937 random(28);
    QByteArray data(70000, Qt::Uninitialized);
    for (char &c : data)
        c = char(random());
    for (const int length : {0, 3, 55, 56, 63, 64, 65, 119, 120, 128, 70000}) {
        for (const int piece : {1, 61, 64, 4096, 70000}) {
            Sha256 hash;
            for (int done = 0; done < length; done += piece)
                hash.addData(data.constData() + done, std::min(piece, length - done));
            EXPECT_EQ(hash.result(), QCryptographicHash::hash(data.left(length), QCryptographicHash::Sha256))
                << "length " << length << ", pieces of " << piece;
        }
    }
    Sha256 abc;
    abc.addData("abc", 3);
    EXPECT_EQ(abc.result().toHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}
