#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HttpResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;  // besides the standard ones
    std::string body;
};

std::string_view ReasonPhrase(int status);

// A page with the given status whose text names the status. Used for errors and for
// forced statuses; it never contains "200", which the utility takes as a success sign.
HttpResponse StatusResponse(int status);

// The bytes on the wire: HTTP/1.1 status line, Server, Content-Type, Content-Length,
// Connection: close, Cache-Control, the extra headers, a blank line and the body. With
// `nulInBody` a zero byte is inserted in the middle of the body (and counted).
std::string SerializeResponse(const HttpResponse& response, bool nulInBody);
