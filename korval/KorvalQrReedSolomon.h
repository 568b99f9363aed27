#pragma once

#include <cstdint>

// Reed-Solomon error correction over GF(256) with the QR field polynomial
// x^8 + x^4 + x^3 + x^2 + 1 and the generator polynomials (x - a^0)...(x - a^(n-1)).

// Largest number of error-correction codewords in one block of any version.
constexpr int kQrMaxEccPerBlock = 30;

// Computes the eccLength (1...30) error-correction codewords of a block of data codewords.
void qrReedSolomon(const uint8_t *data, int dataLength, int eccLength, uint8_t *ecc);

// Product of two field elements; exposed for the tests' reference division.
uint8_t qrFieldMultiply(uint8_t a, uint8_t b);
