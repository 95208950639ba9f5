#include "archive/sha256.h"

#include <openssl/evp.h>

#include <bit>
#include <cstring>
#include <stdexcept>

namespace archive {

TSha256::TSha256() : md_(EVP_MD_fetch(nullptr, "SHA256", nullptr)), ctx_(EVP_MD_CTX_new()) {
    if (!md_ || !ctx_ || EVP_DigestInit_ex2(ctx_, md_, nullptr) != 1) throw std::runtime_error("SHA-256 is not available");
}

TSha256::~TSha256() {
    EVP_MD_CTX_free(ctx_);
    EVP_MD_free(md_);
}

void TSha256::Add(std::string_view bytes) { EVP_DigestUpdate(ctx_, bytes.data(), bytes.size()); }

TDigest TSha256::Finish() {
    TDigest digest{};
    unsigned int size = 0;
    EVP_DigestFinal_ex(ctx_, digest.data(), &size);
    EVP_DigestInit_ex2(ctx_, md_, nullptr);
    return digest;
}

void TRowBytes::Put64(std::uint64_t value) {
    for (int i = 0; i < 8; ++i) bytes_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

TRowBytes& TRowBytes::Null() {
    bytes_.push_back('N');
    return *this;
}

TRowBytes& TRowBytes::Int(std::int64_t value) {
    bytes_.push_back('I');
    Put64(static_cast<std::uint64_t>(value));
    return *this;
}

TRowBytes& TRowBytes::Real(double value) {
    bytes_.push_back('R');
    Put64(std::bit_cast<std::uint64_t>(value));
    return *this;
}

TRowBytes& TRowBytes::Text(std::string_view value) {
    bytes_.push_back('T');
    Put64(value.size());
    bytes_.append(value);
    return *this;
}

TRowBytes& TRowBytes::Blob(std::string_view value) {
    bytes_.push_back('B');
    Put64(value.size());
    bytes_.append(value);
    return *this;
}

std::string HexOf(const TDigest& digest) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : digest) {
        hex.push_back(digits[byte >> 4]);
        hex.push_back(digits[byte & 15]);
    }
    return hex;
}

}  // namespace archive
