#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Incremental SHA-256 (FIPS 180-4). The simulator hashes uploaded firmware images as they
// stream in, so a test can check that every byte of a multi-megabyte upload arrived
// without the simulator ever holding the image in memory.
class Sha256 {
public:
    Sha256();
    void Update(const void* data, size_t length);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
    // Finishes the hash; the object must not be updated afterwards.
    std::array<uint8_t, 32> Finish();
    // Finish() as 64 lower-case hexadecimal digits.
    std::string FinishHex();

private:
    void Compress(const uint8_t* block);

    std::array<uint32_t, 8> m_state;
    std::array<uint8_t, 64> m_block{};
    size_t m_blockUsed = 0;
    uint64_t m_totalBytes = 0;
};
