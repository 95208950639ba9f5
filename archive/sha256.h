#pragma once
// SHA-256 (OpenSSL's libcrypto) and the column encoding that the archive's hashes are taken over.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

typedef struct evp_md_ctx_st EVP_MD_CTX;
typedef struct evp_md_st EVP_MD;

namespace archive {

using TDigest = std::array<unsigned char, 32>;

// One hash at a time, the context reused: Add any number of pieces, then Finish (which starts the
// next hash).
class TSha256 {
  public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Add(std::string_view bytes);
    void Add(const TDigest& digest) { Add(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size())); }
    TDigest Finish();

  private:
    EVP_MD* md_ = nullptr;
    EVP_MD_CTX* ctx_ = nullptr;
};

// The bytes a row is hashed as: each column value in table order, tagged by its storage type.
//   NULL     "N"
//   INTEGER  "I" + 8 bytes, little-endian two's complement
//   REAL     "R" + 8 bytes, little-endian IEEE 754 double
//   TEXT     "T" + length as 8 bytes little-endian + the UTF-8 bytes
//   BLOB     "B" + length as 8 bytes little-endian + the bytes
class TRowBytes {
  public:
    TRowBytes& Null();
    TRowBytes& Int(std::int64_t value);
    TRowBytes& Real(double value);
    TRowBytes& Text(std::string_view value);
    TRowBytes& Blob(std::string_view value);
    const std::string& Bytes() const { return bytes_; }
    void Clear() { bytes_.clear(); }

  private:
    void Put64(std::uint64_t value);
    std::string bytes_;
};

std::string HexOf(const TDigest& digest);
inline std::string_view ViewOf(const TDigest& digest) {
    return std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size());
}

}  // namespace archive
