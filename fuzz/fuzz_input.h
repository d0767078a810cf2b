// Input helpers shared by the harnesses.
#pragma once
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

// Exactly `size` bytes from the input, zero-filled when it runs out.
inline std::vector<unsigned char> Take(FuzzedDataProvider &in, size_t size) {
    std::vector<unsigned char> bytes = in.ConsumeBytes<unsigned char>(size);
    bytes.resize(size, 0);
    return bytes;
}
