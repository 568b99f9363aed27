#include "QrCorpus.h"

#include "KorvalQrTables.h"

namespace {

// Characters of one mode that fit the data codewords of a version and level, leaving
// room for the mode indicator and the longest count.
int capacityOf(char mode, int version, int level)
{
    const int bits = qrVersionInfo(version).levels[level].dataCodewords * 8 - 4 - 16;
    switch (mode) {
    case 'N':
        return bits * 3 / 10;
    case 'A':
        return bits * 2 / 11;
    case 'K':
        return bits / 13;
    default:
        return bits / 8;
    }
}

} // namespace

int qrVersion40Capacity(char mode, int level)
{
    // ISO/IEC 18004 table 7, version 40.
    static const int kNumeric[4] = {7089, 5596, 3993, 3057};
    static const int kAlphanumeric[4] = {4296, 3391, 2420, 1852};
    static const int kByte[4] = {2953, 2331, 1663, 1273};
    static const int kKanji[4] = {1817, 1435, 1024, 784};
    switch (mode) {
    case 'N':
        return kNumeric[level];
    case 'A':
        return kAlphanumeric[level];
    case 'K':
        return kKanji[level];
    default:
        return kByte[level];
    }
}

QByteArray qrSampleData(char mode, int characters, int seed)
{
    static const char kAlphanumeric[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    static const char kText[] = "the quick brown fox jumps over the lazy dog; ";
    QByteArray out;
    unsigned state = 2463534242u + static_cast<unsigned>(seed) * 7919u;
    auto next = [&state]() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (int i = 0; i < characters; ++i) {
        switch (mode) {
        case 'N':
            out += static_cast<char>('0' + next() % 10);
            break;
        case 'A':
            out += kAlphanumeric[next() % 45];
            break;
        case 'L': // alphanumeric without digits, so that it stays one segment
            out += kAlphanumeric[10 + next() % 35];
            break;
        case 'K':
            // JIS level-1 kanji: lead 0x89...0x97, trail 0x40...0x7E or 0x80...0xFC.
            out += static_cast<char>(0x89 + next() % 15);
            out += static_cast<char>(next() % 2 ? 0x40 + next() % 63 : 0x80 + next() % 125);
            break;
        case 'X': {
            static const QByteArray kPieces[] = {"ORDER-", "20240518",
                                                 "qty=", QByteArray("\x93\xfa\x96\x7b", 4), " ok"};
            out += kPieces[next() % 5];
            break;
        }
        default:
            out += kText[(i + seed) % (sizeof kText - 1)];
            break;
        }
    }
    return out;
}

std::vector<QrCorpusEntry> qrCorpus()
{
    std::vector<QrCorpusEntry> corpus;
    const char *levelNames = "LMQH";
    for (int level = 0; level < 4; ++level)
        corpus.push_back({QString("level %1").arg(levelNames[level]), "HELLO WORLD", level, 0});
    const char modes[] = {'N', 'A', 'B', 'K', 'X'};
    for (int version = 1; version <= 40; ++version) {
        const int level = version % 4;
        const char mode = modes[version % 5];
        const int wanted = capacityOf(mode == 'X' ? 'K' : mode, version, level) / 2;
        QByteArray data = qrSampleData(mode, mode == 'X' ? wanted / 3 + 1 : wanted + 1, version);
        corpus.push_back({QString("version %1 %2").arg(version).arg(mode), data, level, version});
    }
    for (int level = 0; level < 4; ++level) {
        for (char mode : {'N', 'B'}) {
            corpus.push_back({QString("longest %1 %2").arg(mode).arg(levelNames[level]),
                              qrSampleData(mode, qrVersion40Capacity(mode, level), level), level,
                              0});
        }
    }
    return corpus;
}
