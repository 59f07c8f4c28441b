#pragma once

// A multipart/form-data body for an HTTP upload: text fields and files in
// the order they were added, each part between boundary lines that none of
// the parts' bytes contain.
//
//   TMultipartFormData form;
//   form.AddField("subject", "Report");
//   form.AddFile("report", "report.zip", "application/zip", bytes);
//   form.Prepare(http);                       // Document and MimeType
//   http.ExecuteRequest("POST", url);
//
// Names and file names are written between double quotes with a double
// quote, CR and LF in them written as %22, %0D and %0A; a content type
// that holds a line end is refused.

#include <functional>
#include <string>
#include <vector>

namespace net {

class THTTPSend;

class TMultipartFormData {
  public:
    // A maker of boundaries to try (each must be new); the default makes
    // random ones.
    using TBoundaryMaker = std::function<std::string()>;

    TMultipartFormData();
    explicit TMultipartFormData(TBoundaryMaker makeBoundary);

    void AddField(const std::string& name, const std::string& value);
    // A file part; an empty content type is "application/octet-stream".
    // False (and nothing added) when the content type holds a CR, LF or NUL.
    [[nodiscard]] bool AddFile(const std::string& name, const std::string& fileName,
                               const std::string& contentType, std::string data);

    // "multipart/form-data; boundary=..." of the body Body() makes.
    std::string ContentType();
    // The body: the parts, then the closing boundary line.
    std::string Body();
    // Puts the body into the client's Document (replacing what it held) and
    // its type into MimeType.
    void Prepare(THTTPSend& http);

  private:
    struct TPart {
        std::string head;  // the part's header lines, each ended by CR LF
        std::string data;
    };
    // Chooses the boundary once all parts are known.
    const std::string& Boundary();

    TBoundaryMaker makeBoundary_;
    std::vector<TPart> parts_;
    std::string boundary_;
};

}  // namespace net
