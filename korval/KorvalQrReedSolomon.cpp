#include "KorvalQrReedSolomon.h"

#include <array>
#include <cstring>

namespace {

constexpr int kFieldPolynomial = 0x11D; // x^8 + x^4 + x^3 + x^2 + 1

// Powers of the primitive element 2, doubled in length so that a sum of two logarithms
// indexes it without a modulo; and the logarithm of every non-zero element.
struct FieldTables
{
    uint8_t exp[510];
    uint8_t log[256];
};

FieldTables makeFieldTables()
{
    FieldTables t{};
    int value = 1;
    for (int i = 0; i < 255; ++i) {
        t.exp[i] = static_cast<uint8_t>(value);
        t.exp[i + 255] = static_cast<uint8_t>(value);
        t.log[value] = static_cast<uint8_t>(i);
        value <<= 1;
        if (value & 0x100)
            value ^= kFieldPolynomial;
    }
    return t;
}

const FieldTables &fieldTables()
{
    static const FieldTables kTables = makeFieldTables();
    return kTables;
}

// Generator polynomial coefficients of each degree, highest power first without the
// leading 1, stored as logarithms (every coefficient is non-zero).
struct GeneratorTables
{
    uint8_t logCoefficients[kQrMaxEccPerBlock + 1][kQrMaxEccPerBlock];
};

GeneratorTables makeGeneratorTables()
{
    const FieldTables &f = fieldTables();
    GeneratorTables g{};
    // poly[0] is the coefficient of the highest power; start from the constant 1.
    uint8_t poly[kQrMaxEccPerBlock + 1] = {1};
    for (int degree = 1; degree <= kQrMaxEccPerBlock; ++degree) {
        // Multiply by (x - a^(degree - 1)); subtraction is addition in GF(256).
        const uint8_t root = f.exp[degree - 1];
        for (int i = degree; i >= 1; --i)
            poly[i] ^= qrFieldMultiply(poly[i - 1], root);
        for (int i = 0; i < degree; ++i)
            g.logCoefficients[degree][i] = f.log[poly[i + 1]];
    }
    return g;
}

const GeneratorTables &generatorTables()
{
    static const GeneratorTables kTables = makeGeneratorTables();
    return kTables;
}

} // namespace

uint8_t qrFieldMultiply(uint8_t a, uint8_t b)
{
    if (a == 0 || b == 0)
        return 0;
    const FieldTables &f = fieldTables();
    return f.exp[f.log[a] + f.log[b]];
}

void qrReedSolomon(const uint8_t *data, int dataLength, int eccLength, uint8_t *ecc)
{
    const FieldTables &f = fieldTables();
    const uint8_t *generator = generatorTables().logCoefficients[eccLength];
    std::memset(ecc, 0, static_cast<size_t>(eccLength));
    // Long division of data(x) * x^eccLength by the generator; ecc holds the remainder.
    for (int i = 0; i < dataLength; ++i) {
        const uint8_t factor = data[i] ^ ecc[0];
        std::memmove(ecc, ecc + 1, static_cast<size_t>(eccLength - 1));
        ecc[eccLength - 1] = 0;
        if (factor == 0)
            continue;
        const int logFactor = f.log[factor];
        for (int j = 0; j < eccLength; ++j)
            ecc[j] ^= f.exp[logFactor + generator[j]];
    }
}
