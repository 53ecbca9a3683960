#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// An append-only byte buffer that moves to an anonymous temporary file once it grows
// past a threshold, so that logging a many-megabyte upload needs little memory.
class ByteSpool {
public:
    static constexpr size_t kMemoryLimit = 256 * 1024;

    ByteSpool() = default;
    ~ByteSpool();
    ByteSpool(const ByteSpool&) = delete;
    ByteSpool& operator=(const ByteSpool&) = delete;

    void Append(std::string_view bytes);
    uint64_t size() const { return m_size; }
    // Writes every byte, in order, to `fd`. Returns false on a write error.
    bool CopyTo(int fd) const;
    void Clear();

private:
    std::string m_memory;
    std::FILE* m_file = nullptr;
    uint64_t m_size = 0;
};
