// Hex helpers for the crypto tests.
#pragma once
#include <string>
#include <vector>

inline std::vector<unsigned char> FromHex(const std::string &hex) {
    std::vector<unsigned char> bytes;
    int high = -1;
    for (char ch : hex) {
        int v;
        if (ch >= '0' && ch <= '9')
            v = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            v = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            v = ch - 'A' + 10;
        else
            continue;  // spaces group the digits
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back((unsigned char)(high << 4 | v));
            high = -1;
        }
    }
    return bytes;
}

inline std::string ToHex(const unsigned char *bytes, size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < length; ++i) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    return hex;
}

inline std::string ToHex(const std::vector<unsigned char> &bytes) { return ToHex(bytes.data(), bytes.size()); }

inline std::vector<unsigned char> Bytes(const std::string &text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

// Deterministic filler so failures reproduce.
inline void Fill(unsigned char *out, size_t length, unsigned seed) {
    unsigned x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < length; ++i) {
        x = x * 1103515245u + 12345u;
        out[i] = (unsigned char)(x >> 16);
    }
}
