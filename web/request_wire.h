#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/async_socket.h"
#include "web/web_request.h"

// The exact bytes a request puts on the wire, as a source read a piece at a time: the
// Windows-1252 text, then for an upload exactly `placeholderLength` bytes of the image
// file, then the text after it. A shorter or unreadable file leaves '?' (the placeholder
// character) for the rest of the run and a longer one is cut, so the text after the run
// always arrives intact. The text goes out as a C string would: a zero byte in it ends
// the request there.
//
// The web queue sends this source and tamselctl's dry run prints it, so both always
// agree on what goes out.
std::unique_ptr<IByteSource> MakeRequestWireSource(const WebRequest& request,
                                                   const std::filesystem::path& filePath);
// The same for a request already in Windows-1252 bytes: `head`, then `runLength` bytes of
// the file, then `tail`.
std::unique_ptr<IByteSource> MakeRequestWireSource(std::string head, uint64_t runLength,
                                                   std::string tail,
                                                   const std::filesystem::path& filePath);
