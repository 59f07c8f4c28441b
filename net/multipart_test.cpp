#include "net/multipart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/httpsend.h"
#include "net/testing/peers.h"
#include "net/testing/scripted_peer.h"

namespace net {
namespace {

std::string Body(const THTTPSend& http) {
    return std::string(static_cast<const char*>(http.Document().Memory()),
                       static_cast<size_t>(http.Document().Size()));
}

// A boundary maker that hands out the given boundaries in turn.
TMultipartFormData::TBoundaryMaker Boundaries(std::vector<std::string> boundaries) {
    return [boundaries, next = size_t{0}]() mutable { return boundaries.at(next++); };
}

TEST(MultipartTest, BodyIsByteExact) {
    TMultipartFormData form(Boundaries({"XyZ"}));
    form.AddField("subject", "Bug report");
    ASSERT_TRUE(form.AddFile("file", "log.txt", "text/plain", "line 1\r\nline 2"));
    ASSERT_TRUE(form.AddFile("blob", "a.bin", "", std::string("\0\1", 2)));
    EXPECT_EQ(form.ContentType(), "multipart/form-data; boundary=XyZ");
    EXPECT_EQ(form.Body(),
              "--XyZ\r\n"
              "Content-Disposition: form-data; name=\"subject\"\r\n\r\n"
              "Bug report\r\n"
              "--XyZ\r\n"
              "Content-Disposition: form-data; name=\"file\"; filename=\"log.txt\"\r\n"
              "Content-Type: text/plain\r\n\r\n"
              "line 1\r\nline 2\r\n"
              "--XyZ\r\n"
              "Content-Disposition: form-data; name=\"blob\"; filename=\"a.bin\"\r\n"
              "Content-Type: application/octet-stream\r\n\r\n" +
                  std::string("\0\1", 2) +
                  "\r\n"
                  "--XyZ--\r\n");
}

TEST(MultipartTest, NothingBreaksThePartLines) {
    // A boundary the data holds is not taken; the next one is.
    TMultipartFormData form(Boundaries({"one", "two"}));
    form.AddField("say \"hi\"\r\nX-Injected: 1", "text with --one inside");
    EXPECT_FALSE(form.AddFile("f", "a.txt", "text/plain\r\nX-Injected: 1", "data"));
    EXPECT_EQ(form.ContentType(), "multipart/form-data; boundary=two");
    EXPECT_EQ(form.Body(),
              "--two\r\n"
              "Content-Disposition: form-data; name=\"say %22hi%22%0D%0AX-Injected: 1\"\r\n\r\n"
              "text with --one inside\r\n"
              "--two--\r\n");
    // A maker that only makes clashing boundaries gives way to random ones.
    TMultipartFormData stubborn([] { return std::string("same"); });
    stubborn.AddField("a", "--same");
    EXPECT_NE(stubborn.ContentType(), "multipart/form-data; boundary=same");
}

TEST(MultipartTest, PythonReadsTheUpload) {
    NET_REQUIRE_PEER(web, "SERPLOW_TEST_WEB_PORT", "web_server.py");
    testing::EnsureSocketInterface();
    const std::string binary = testing::PatternBytes(100000);
    TMultipartFormData form;
    form.AddField("subject", "Report \"7\"");
    ASSERT_TRUE(form.AddFile("report", "report.zip", "application/zip", binary));
    THTTPSend http;
    http.Protocol = "1.1";
    form.Prepare(http);
    ASSERT_TRUE(http.ExecuteRequest("POST", "http://127.0.0.1:" + web + "/form"))
        << http.LastErrorDesc();
    ASSERT_EQ(http.ResultCode(), 200);
    const std::string expected = "subject||text/plain|10|" + testing::Hex("Report \"7\"") +
                                 "\nreport|report.zip|application/zip|100000|" +
                                 testing::Hex(binary);
    const std::string got = Body(http);
    EXPECT_TRUE(got == expected) << got.substr(0, 200);
}

}  // namespace
}  // namespace net
