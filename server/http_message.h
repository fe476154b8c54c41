// HTTP/1.1 messages as the content server reads and writes them: the request head, a chunked
// body decoder, the response, and the form and query decoding the handlers share.
//
// Everything here reads untrusted bytes: sizes are bounded by the caller's limits, numbers are
// parsed strictly, and a malformed message is refused rather than guessed at.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zserver::http {

using Headers = std::vector<std::pair<std::string, std::string>>;

// First value of a header, names compared without case; nullopt when absent.
std::optional<std::string> findHeader(const Headers& headers, std::string_view name);

struct Request {
    std::string method; // as sent ("GET", "POST", ...)
    std::string target; // the request target as sent
    std::string path;   // the target up to "?" (still percent-encoded)
    std::string query;  // after "?", still encoded; "" when none
    int minorVersion = 1;
    Headers headers;
    std::string body;
    std::string peer; // the client's address

    std::optional<std::string> header(std::string_view name) const {
        return findHeader(headers, name);
    }
};

// A body read from an open file, from `offset` for `length` bytes, streamed as the socket takes
// it (a download of tens of megabytes never sits in memory).
struct FileBody {
    int fd = -1;
    std::uint64_t offset = 0, length = 0;
    FileBody() = default;
    ~FileBody();
    FileBody(const FileBody&) = delete;
    FileBody& operator=(const FileBody&) = delete;
};

struct Response {
    int status = 200;
    // Content-Type, Set-Cookie, Location, ...; the server adds Content-Length and Connection.
    Headers headers;
    std::string body;
    std::shared_ptr<FileBody> file; // when set, the body (ignored) is this file's range
    bool close = false;             // end the connection after this response
    std::string logDetail;          // what the request held, for the request log

    void setContent(std::string content, std::string type) {
        body = std::move(content);
        headers.emplace_back("Content-Type", std::move(type));
    }
    std::uint64_t bodySize() const { return file ? file->length : body.size(); }
};

// "Not Found" for 404, "Unknown" for codes we never send.
const char* reasonPhrase(int status);

// The parsed request line and header fields of one request head (up to and without the blank
// line), with the body framing it announces.
struct Head {
    Request request;
    bool chunked = false;
    std::uint64_t contentLength = 0;
    bool keepAlive = true;
    bool expectContinue = false;
};

// Parses a head; nullopt with the status to answer (400, 501, 505) when it is malformed or asks
// for something we do not do: obsolete line folding, bad field names, a Content-Length that is
// not one plain number, both a length and a transfer coding, a coding other than chunked.
struct HeadError {
    int status = 400;
    std::string why;
};
std::optional<Head> parseHead(std::string_view text, HeadError* error);

// Decodes a chunked body as it arrives. feed() consumes what it can of `in` (removing it) and
// appends the payload to `out`; it stops at the end of the trailers, which it skips.
class ChunkedDecoder {
  public:
    enum class State { More, Done, Malformed, TooLarge };
    explicit ChunkedDecoder(std::uint64_t maxBody) : maxBody_(maxBody) {}
    State feed(std::string& in, std::string& out);

  private:
    enum class Step { Size, Data, DataEnd, Trailer };
    Step step_ = Step::Size;
    std::uint64_t left_ = 0, total_ = 0, maxBody_;
    size_t trailerBytes_ = 0;
};

// Percent escapes decoded, "+" read as a space when `plusIsSpace` (form and query values).
// A broken escape is kept as it is.
std::string percentDecode(std::string_view text, bool plusIsSpace);

// "a=1&b=%C3%A9" -> {a: "1", b: "é"}; a repeated name keeps its last value.
std::map<std::string, std::string> decodeUrlForm(std::string_view text);

// The value of one cookie of a Cookie header ("a=1; b=2"), or nullopt.
std::optional<std::string> cookieValue(std::string_view cookieHeader, std::string_view name);

// The media type of a file name's extension ("text/html; charset=utf-8" for ".html"),
// "application/octet-stream" for unknown ones.
std::string contentTypeFor(std::string_view fileName);

// One byte range of a file of `size` bytes from a Range header. nullopt: serve the whole file
// (no header, a form we do not serve such as several ranges); `satisfiable` false: answer 416.
struct ByteRange {
    std::uint64_t first = 0, length = 0;
    bool satisfiable = true;
};
std::optional<ByteRange> parseRange(std::string_view header, std::uint64_t size);

} // namespace zserver::http
