#include "web/request_wire.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>

#include "platform/ansi_text.h"

namespace {

// The text before the file, the file's bytes, the text after it.
class SplicedRequestSource : public IByteSource {
public:
    SplicedRequestSource(std::string head, const std::filesystem::path& filePath,
                         uint64_t runLength, std::string tail)
        : m_head(std::move(head)), m_runLength(runLength), m_tail(std::move(tail)) {
        if (!filePath.empty()) {
            m_file.open(filePath, std::ios::binary);
        }
        m_fileUsable = m_file.is_open();
    }

    uint64_t Size() const override { return m_head.size() + m_runLength + m_tail.size(); }

    size_t Read(char* buffer, size_t max) override {
        size_t done = 0;
        while (done < max && m_position < Size()) {
            const size_t room = max - done;
            if (m_position < m_head.size()) {
                done += CopyText(m_head, m_position, buffer + done, room);
            } else if (m_position < m_head.size() + m_runLength) {
                const uint64_t runLeft = m_head.size() + m_runLength - m_position;
                done +=
                    ReadRun(buffer + done, static_cast<size_t>(std::min<uint64_t>(room, runLeft)));
            } else {
                done +=
                    CopyText(m_tail, m_position - m_head.size() - m_runLength, buffer + done, room);
            }
        }
        return done;
    }

private:
    size_t CopyText(const std::string& text, uint64_t offset, char* out, size_t room) {
        const size_t count = std::min<size_t>(room, text.size() - static_cast<size_t>(offset));
        std::copy_n(text.data() + offset, count, out);
        m_position += count;
        return count;
    }

    size_t ReadRun(char* out, size_t count) {
        size_t got = 0;
        if (m_fileUsable) {
            m_file.read(out, static_cast<std::streamsize>(count));
            got = static_cast<size_t>(m_file.gcount());
            if (got < count) {
                m_fileUsable = false;  // the file ended early or failed: pad from here on
            }
        }
        std::fill(out + got, out + count, '?');
        m_position += count;
        return count;
    }

    std::string m_head;
    uint64_t m_runLength;
    std::string m_tail;
    std::ifstream m_file;
    bool m_fileUsable = false;
    uint64_t m_position = 0;
};

// The request goes out as a C string would: up to its first zero byte.
bool CutAtZeroByte(std::string& bytes) {
    const size_t zero = bytes.find('\0');
    if (zero == std::string::npos) {
        return false;
    }
    bytes.resize(zero);
    return true;
}

}  // namespace

std::unique_ptr<IByteSource> MakeRequestWireSource(const WebRequest& request,
                                                   const std::filesystem::path& filePath) {
    return MakeRequestWireSource(WideToAnsi(request.text), request.placeholderLength,
                                 WideToAnsi(request.tail), filePath);
}

std::unique_ptr<IByteSource> MakeRequestWireSource(std::string head, uint64_t runLength,
                                                   std::string tail,
                                                   const std::filesystem::path& filePath) {
    if (CutAtZeroByte(head)) {
        return std::make_unique<SplicedRequestSource>(std::move(head), std::filesystem::path(), 0,
                                                      std::string());
    }
    CutAtZeroByte(tail);
    return std::make_unique<SplicedRequestSource>(std::move(head), filePath, runLength,
                                                  std::move(tail));
}
