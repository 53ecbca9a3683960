#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sim/http_request.h"
#include "sim/multipart_reader.h"

namespace {

const std::string kBoundary = "---------------------------7d9222c1903be";

// The upload body exactly as the set-up utility builds it.
std::string UploadBody(const std::string& image) {
    std::string body =
        "--" + kBoundary + "\r\n" +
        "Content-Disposition: form-data; name=\"binary\"; filename=\"c:\\1.bin\"\r\n" +
        "Content-Type: text/plain\r\n\r\n" + image;
    for (auto [name, value] : {std::pair{"submit-url", "qmv4t2_03_02_firmware_b.asp"},
                               {"main_menu_number", "4"},
                               {"sub_menu_number", "2"},
                               {"third_menu_number", "0"}}) {
        body += "\r\n--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name +
                "\"\r\n\r\n" + value;
    }
    return body + "\r\n--" + kBoundary + "--\r\n";
}

std::string UploadRequest(const std::string& image) {
    std::string body = UploadBody(image);
    return "POST /goform/formUpload HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=" +
           kBoundary + "\r\ncontent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Feeds `bytes` split at the given offsets; returns the reader and the bytes it left over.
struct FedRequest {
    HttpRequestReader reader;
    std::string leftover;
};
void Feed(FedRequest& fed, std::string_view bytes, const std::vector<size_t>& cuts) {
    size_t start = 0;
    std::vector<size_t> ends = cuts;
    ends.push_back(bytes.size());
    for (size_t end : ends) {
        std::string_view piece = bytes.substr(start, end - start);
        size_t used = fed.reader.Feed(piece);
        fed.leftover.append(piece.substr(used));
        start = end;
    }
}

std::string ImageWithDelimiterLookalikes() {
    std::string image = "TMSLFW01";
    image += std::string("1.0") + std::string(29, '\0');
    // Proper prefixes of the delimiter; the whole one never occurs inside a part.
    image +=
        "\r\n--" + kBoundary.substr(0, 20) + "\r\n--" + kBoundary.substr(0, kBoundary.size() - 1);
    image += std::string("\r\n-", 3) + std::string(1, '\0') + "tail\r\n";
    return image;
}

}  // namespace

TEST(HttpRequestReader, HeaderNamesIgnoreCaseAndTheBodyEndsAtItsLength) {
    FedRequest fed;
    std::string request =
        "POST /goform/mp?x=1 HTTP/1.1\r\nHost: 192.168.1.1\r\ncontent-Length: 36\r\n\r\n"
        "command=COMMAND+flash+default&getID=\r\n";
    Feed(fed, request, {});
    ASSERT_EQ(fed.reader.state(), HttpRequestReader::State::kComplete);
    HttpRequest& parsed = fed.reader.request();
    EXPECT_EQ(parsed.method, "POST");
    EXPECT_EQ(parsed.Path(), "/goform/mp");
    ASSERT_NE(parsed.FindHeader("CONTENT-LENGTH"), nullptr);
    EXPECT_EQ(*parsed.FindHeader("host"), "192.168.1.1");
    EXPECT_EQ(parsed.body, "command=COMMAND+flash+default&getID=");
    EXPECT_EQ(fed.leftover, "\r\n");  // after the counted body: not part of the request
}

TEST(HttpRequestReader, SameResultForEverySplitOfTheRequest) {
    std::string request =
        "GET /wlsurvey2.asp HTTP/1.1\r\nAccept: */*\r\nAuthorization: Basic "
        "YWRtaW46YWRtaW4=\r\n\r\n";
    for (size_t cut = 1; cut < request.size(); ++cut) {
        FedRequest fed;
        Feed(fed, request, {cut});
        ASSERT_EQ(fed.reader.state(), HttpRequestReader::State::kComplete) << cut;
        EXPECT_EQ(*fed.reader.request().FindHeader("authorization"), "Basic YWRtaW46YWRtaW4=");
        EXPECT_EQ(fed.leftover, "");
    }
}

TEST(HttpRequestReader, RejectsMalformedAndOversizedRequests) {
    struct Case {
        std::string request;
        int status;
    };
    const std::vector<Case> cases = {
        {"GARBAGE\r\n\r\n", 400},
        {"GET / FTP/1.0\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nNoColonHere\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 12x\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 501},
        {"POST / HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n", 413},
        {"GET / HTTP/1.1\r\nX: " + std::string(70000, 'a'), 431},
    };
    for (const Case& c : cases) {
        FedRequest fed;
        Feed(fed, c.request, {});
        EXPECT_EQ(fed.reader.state(), HttpRequestReader::State::kFailed) << c.request.substr(0, 40);
        EXPECT_EQ(fed.reader.failureStatus(), c.status) << c.request.substr(0, 40);
    }
}

TEST(MultipartUpload, FilePartSurvivesEverySplitAndDelimiterLookalikes) {
    const std::string image = ImageWithDelimiterLookalikes();
    const std::string request = UploadRequest(image);
    Sha256 hash;
    hash.Update(image);
    const std::string expectedHash = hash.FinishHex();

    for (size_t cut = 1; cut < request.size(); ++cut) {
        FedRequest fed;
        Feed(fed, request, {cut});
        ASSERT_EQ(fed.reader.state(), HttpRequestReader::State::kComplete) << cut;
        HttpRequest& parsed = fed.reader.request();
        ASSERT_TRUE(parsed.formData) << cut;
        EXPECT_TRUE(parsed.multipartComplete) << cut;
        const FileReceipt* file = parsed.formData->FindFile("binary");
        ASSERT_NE(file, nullptr) << cut;
        EXPECT_EQ(file->filename, "c:\\1.bin");
        EXPECT_EQ(file->size, image.size()) << cut;
        EXPECT_EQ(file->sha256, expectedHash) << cut;
        EXPECT_EQ(FindField(parsed.formData->fields(), "third_menu_number"), "0") << cut;
    }
}

TEST(MultipartUpload, RandomSmallPiecesOfALargeImage) {
    std::mt19937 random(7);
    std::string image(300000, '\0');
    for (char& c : image) {
        c = static_cast<char>(random());
    }
    const std::string request = UploadRequest(image);
    std::vector<size_t> cuts;
    for (size_t at = 0; at < request.size();) {
        at += 1 + random() % 3000;
        if (at < request.size()) {
            cuts.push_back(at);
        }
    }
    FedRequest fed;
    Feed(fed, request, cuts);
    ASSERT_EQ(fed.reader.state(), HttpRequestReader::State::kComplete);
    const FileReceipt* file = fed.reader.request().formData->FindFile("binary");
    ASSERT_NE(file, nullptr);
    Sha256 hash;
    hash.Update(image);
    EXPECT_EQ(file->sha256, hash.FinishHex());
    EXPECT_EQ(file->head, image.substr(0, FormDataCollector::kHeadBytes));
}

TEST(MultipartUpload, TruncatedBodyLeavesTheFileIncomplete) {
    std::string body = UploadBody("TMSLFW01-payload");
    body.resize(body.size() / 2 + 60);  // cut inside the later fields
    std::string request =
        "POST /goform/formUpload HTTP/1.1\r\nContent-Type: multipart/form-data; "
        "boundary=\"" +
        kBoundary + "\"\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    FedRequest fed;
    Feed(fed, request, {});
    ASSERT_EQ(fed.reader.state(), HttpRequestReader::State::kComplete);
    EXPECT_FALSE(fed.reader.request().multipartComplete);
}

TEST(MultipartBoundary, FromTheContentTypeHeader) {
    EXPECT_EQ(MultipartBoundary("multipart/form-data; boundary=" + kBoundary), kBoundary);
    EXPECT_EQ(MultipartBoundary("Multipart/Form-Data;boundary=\"a;b\""), "a;b");
    EXPECT_FALSE(MultipartBoundary("application/x-www-form-urlencoded"));
    EXPECT_FALSE(MultipartBoundary("multipart/form-data"));
}
