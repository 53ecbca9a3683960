#include "sim/http_response.h"

std::string_view ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 413:
            return "Request Entity Too Large";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 503:
            return "Service Unavailable";
        default:
            return "Unknown";
    }
}

HttpResponse StatusResponse(int status) {
    std::string title = std::to_string(status) + " " + std::string(ReasonPhrase(status));
    HttpResponse response;
    response.status = status;
    response.body = "<html><head><title>" + title + "</title></head>\n<body><h2>" + title +
                    "</h2>\n<p>The repeater could not serve this request.</p></body></html>\n";
    if (status == 401) {
        response.headers.emplace_back("WWW-Authenticate", "Basic realm=\"KV-Q3150Tx\"");
        response.body =
            "<html><head><title>401 Unauthorized</title></head>\n<body><h2>401 Unauthorized</h2>\n"
            "<p>Authorization failed. Enter the user name and password of the "
            "repeater.</p></body></html>\n";
    }
    return response;
}

std::string SerializeResponse(const HttpResponse& response, bool nulInBody) {
    std::string body = response.body;
    if (nulInBody) {
        body.insert(body.size() / 2, 1, '\0');
    }
    std::string wire = "HTTP/1.1 " + std::to_string(response.status) + " " +
                       std::string(ReasonPhrase(response.status)) + "\r\n";
    wire += "Server: kv-httpd/1.4\r\n";
    wire += "Content-Type: text/html\r\n";
    wire += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    wire += "Connection: close\r\n";
    wire += "Cache-Control: no-cache\r\n";
    for (const auto& [name, value] : response.headers) {
        wire += name + ": " + value + "\r\n";
    }
    wire += "\r\n";
    wire += body;
    return wire;
}
