#include "sim/multipart_reader.h"

namespace {

constexpr size_t kMaxPartHeaderBytes = 16 * 1024;

// Splits "form-data; name=\"binary\"; filename=\"c:\\1.bin\"" into parameters. Browsers
// of the device's era send backslashes in file names unescaped, so a backslash is an
// ordinary character here.
std::optional<std::string> HeaderParameter(std::string_view value, std::string_view wanted) {
    size_t pos = 0;
    while (pos < value.size()) {
        size_t semicolon = value.find(';', pos);
        if (semicolon == std::string_view::npos) {
            return std::nullopt;
        }
        pos = semicolon + 1;
        std::string_view rest = TrimSpaces(value.substr(pos));
        size_t eq = rest.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        std::string_view key = TrimSpaces(rest.substr(0, eq));
        std::string_view text = rest.substr(eq + 1);
        std::string parameter;
        if (!text.empty() && text.front() == '"') {
            size_t close = text.find('"', 1);
            parameter = std::string(
                text.substr(1, close == std::string_view::npos ? text.npos : close - 1));
        } else {
            parameter = std::string(TrimSpaces(text.substr(0, text.find(';'))));
        }
        if (EqualsIgnoreCase(key, wanted)) {
            return parameter;
        }
        // Skip a quoted value so that a ';' inside it does not start a parameter.
        if (!text.empty() && text.front() == '"') {
            size_t close = text.find('"', 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            pos = static_cast<size_t>(text.data() + close + 1 - value.data());
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> MultipartBoundary(std::string_view contentType) {
    if (!StartsWithIgnoreCase(TrimSpaces(contentType), "multipart/form-data")) {
        return std::nullopt;
    }
    auto boundary = HeaderParameter(contentType, "boundary");
    if (!boundary || boundary->empty() || boundary->size() > 70) {
        return std::nullopt;
    }
    return boundary;
}

MultipartReader::MultipartReader(std::string_view boundary, MultipartSink& sink)
    : m_delimiter("\r\n--" + std::string(boundary)), m_sink(sink) {
    // The first delimiter may open the body without a preceding line break; a virtual
    // CR LF lets one search pattern find every delimiter.
    m_pending = "\r\n";
}

void MultipartReader::Feed(std::string_view bytes) {
    if (m_state == State::kEpilogue || m_state == State::kFailed) {
        return;
    }
    m_pending.append(bytes);
    while (Step()) {
    }
}

bool MultipartReader::Step() {
    switch (m_state) {
        case State::kPreamble:
        case State::kData: {
            size_t found = m_pending.find(m_delimiter);
            if (found == std::string::npos) {
                if (m_state == State::kData) {
                    EmitAllButTail();
                } else if (m_pending.size() >= m_delimiter.size()) {
                    m_pending.erase(0, m_pending.size() - (m_delimiter.size() - 1));
                }
                return false;
            }
            if (m_state == State::kData) {
                if (found > 0) {
                    m_sink.OnPartData(std::string_view(m_pending).substr(0, found));
                }
                m_sink.OnPartEnd();
            }
            m_pending.erase(0, found + m_delimiter.size());
            m_state = State::kAfterDelimiter;
            return true;
        }
        case State::kAfterDelimiter: {
            // Transport padding (spaces, tabs) may follow a delimiter before its CR LF.
            size_t start = m_pending.find_first_not_of(" \t");
            if (start == std::string::npos || m_pending.size() - start < 2) {
                return false;
            }
            if (m_pending.compare(start, 2, "--") == 0) {
                m_state = State::kEpilogue;
                m_pending.clear();
                return false;
            }
            if (m_pending.compare(start, 2, "\r\n") != 0) {
                m_state = State::kFailed;
                return false;
            }
            m_pending.erase(0, start + 2);
            m_state = State::kHeaders;
            return true;
        }
        case State::kHeaders: {
            size_t end;
            size_t skip;
            if (m_pending.starts_with("\r\n")) {
                end = 0;
                skip = 2;
            } else {
                end = m_pending.find("\r\n\r\n");
                skip = 4;
            }
            if (end == std::string::npos) {
                if (m_pending.size() > kMaxPartHeaderBytes) {
                    m_state = State::kFailed;
                }
                return false;
            }
            if (!BeginPart(std::string_view(m_pending).substr(0, end))) {
                m_state = State::kFailed;
                return false;
            }
            m_pending.erase(0, end + skip);
            m_state = State::kData;
            return true;
        }
        case State::kEpilogue:
        case State::kFailed:
            return false;
    }
    return false;
}

bool MultipartReader::BeginPart(std::string_view headerBlock) {
    std::optional<std::string> name;
    std::optional<std::string> filename;
    while (!headerBlock.empty()) {
        size_t lineEnd = headerBlock.find("\r\n");
        std::string_view line = headerBlock.substr(0, lineEnd);
        headerBlock = lineEnd == std::string_view::npos ? std::string_view{}
                                                        : headerBlock.substr(lineEnd + 2);
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        if (EqualsIgnoreCase(TrimSpaces(line.substr(0, colon)), "Content-Disposition")) {
            std::string_view value = line.substr(colon + 1);
            name = HeaderParameter(value, "name");
            filename = HeaderParameter(value, "filename");
        }
    }
    if (!name) {
        return false;
    }
    m_sink.OnPartBegin(*name, filename);
    return true;
}

void MultipartReader::EmitAllButTail() {
    // Keep enough bytes to recognise a delimiter that the next piece completes.
    size_t keep = m_delimiter.size() - 1;
    if (m_pending.size() > keep) {
        size_t emit = m_pending.size() - keep;
        m_sink.OnPartData(std::string_view(m_pending).substr(0, emit));
        m_pending.erase(0, emit);
    }
}

void FormDataCollector::OnPartBegin(const std::string& name,
                                    const std::optional<std::string>& filename) {
    if (filename) {
        FileReceipt receipt;
        receipt.name = name;
        receipt.filename = *filename;
        m_files.push_back(receipt);
        m_fileHash = std::make_unique<Sha256>();
        m_inField = false;
    } else {
        m_fields.emplace_back(name, std::string{});
        m_fileHash.reset();
        m_inField = true;
    }
}

void FormDataCollector::OnPartData(std::string_view bytes) {
    if (m_fileHash) {
        FileReceipt& file = m_files.back();
        file.size += bytes.size();
        m_fileHash->Update(bytes);
        if (file.head.size() < kHeadBytes) {
            file.head.append(bytes.substr(0, kHeadBytes - file.head.size()));
        }
    } else if (m_inField) {
        std::string& value = m_fields.back().second;
        if (value.size() < kMaxFieldBytes) {
            value.append(bytes.substr(0, kMaxFieldBytes - value.size()));
        }
    }
}

void FormDataCollector::OnPartEnd() {
    if (m_fileHash) {
        m_files.back().sha256 = m_fileHash->FinishHex();
        m_files.back().complete = true;
        m_fileHash.reset();
    }
    m_inField = false;
}

const FileReceipt* FormDataCollector::FindFile(std::string_view name) const {
    for (const FileReceipt& file : m_files) {
        if (file.name == name) {
            return &file;
        }
    }
    return nullptr;
}
