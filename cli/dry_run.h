#pragma once

#include <cstdio>
#include <string>

#include "web/device_commands.h"

// The sink of a dry run: writes each request exactly as the transport would put it on
// the wire (Windows-1252, an upload with the image's bytes in place of its placeholder
// run, no separators), and sends nothing.
class DryRunSink : public IWebCommandSink {
public:
    explicit DryRunSink(std::FILE* out) : m_out(out) {}

    void Queue(const std::wstring& command, const WebRequest& request,
               const DeviceTarget& target) override;
    void QueueFile(const std::wstring& command, const WebRequest& request,
                   const DeviceTarget& target, const std::string& filePath) override;

    // False once a write has failed.
    bool Ok() const { return m_ok; }

private:
    void Write(const char* data, size_t length);

    std::FILE* m_out;
    bool m_ok = true;
};
