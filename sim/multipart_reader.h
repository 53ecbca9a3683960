#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sha256.h"
#include "sim/text_codec.h"

// Receives the parts of a multipart/form-data body as the reader finds them.
class MultipartSink {
public:
    virtual ~MultipartSink() = default;
    virtual void OnPartBegin(const std::string& name,
                             const std::optional<std::string>& filename) = 0;
    virtual void OnPartData(std::string_view bytes) = 0;
    virtual void OnPartEnd() = 0;
};

// Streaming multipart/form-data reader (RFC 2046 section 5.1.1, RFC 7578). Bytes may
// arrive in pieces of any size, delimiters split anywhere; memory stays bounded by the
// largest piece plus the delimiter length, whatever the size of a part.
class MultipartReader {
public:
    MultipartReader(std::string_view boundary, MultipartSink& sink);
    void Feed(std::string_view bytes);
    // The closing delimiter ("--boundary--") has been seen.
    bool finished() const { return m_state == State::kEpilogue; }
    bool failed() const { return m_state == State::kFailed; }

private:
    enum class State { kPreamble, kAfterDelimiter, kHeaders, kData, kEpilogue, kFailed };
    bool Step();  // one state transition; false when more bytes are needed
    bool BeginPart(std::string_view headerBlock);
    void EmitAllButTail();

    std::string m_delimiter;  // CR LF "--" boundary
    std::string m_pending;
    MultipartSink& m_sink;
    State m_state = State::kPreamble;
};

// The boundary parameter of a multipart Content-Type value, if any.
std::optional<std::string> MultipartBoundary(std::string_view contentType);

// What arrived in one file part: counted and hashed, never stored whole.
struct FileReceipt {
    std::string name;
    std::string filename;
    uint64_t size = 0;
    std::string sha256;
    std::string head;  // the first bytes, for a format check
    bool complete = false;
};

// Collects a form: small fields as text (each cut at 64 KiB), file parts as receipts.
class FormDataCollector : public MultipartSink {
public:
    static constexpr size_t kHeadBytes = 64;
    static constexpr size_t kMaxFieldBytes = 64 * 1024;

    void OnPartBegin(const std::string& name, const std::optional<std::string>& filename) override;
    void OnPartData(std::string_view bytes) override;
    void OnPartEnd() override;

    const FormFields& fields() const { return m_fields; }
    const std::vector<FileReceipt>& files() const { return m_files; }
    const FileReceipt* FindFile(std::string_view name) const;

private:
    FormFields m_fields;
    std::vector<FileReceipt> m_files;
    std::unique_ptr<Sha256> m_fileHash;  // set while a file part is open
    bool m_inField = false;
};
