// Request head parsing, chunked decoding, form, cookie and range helpers.
#include "server/http_message.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <unistd.h>

namespace zserver::http {
namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// RFC 9110 token characters: field names and methods.
bool isToken(std::string_view s) {
    if (s.empty()) return false;
    return std::all_of(s.begin(), s.end(), [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return std::isalnum(c) || std::string_view("!#$%&'*+-.^_`|~").find(ch) != std::string::npos;
    });
}

std::optional<std::uint64_t> decimal(std::string_view s) {
    std::uint64_t v = 0;
    if (s.empty() || s.size() > 18) return std::nullopt;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Comma-separated list elements of a header value, trimmed and lower-cased.
std::vector<std::string> listElements(std::string_view value) {
    std::vector<std::string> out;
    while (!value.empty()) {
        size_t comma = value.find(',');
        std::string_view item = trim(value.substr(0, comma));
        if (!item.empty()) {
            std::string lower(item);
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            out.push_back(std::move(lower));
        }
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
    }
    return out;
}

} // namespace

std::optional<std::string> findHeader(const Headers& headers, std::string_view name) {
    for (const auto& [k, v] : headers)
        if (equalsNoCase(k, name)) return v;
    return std::nullopt;
}

FileBody::~FileBody() {
    if (fd >= 0) ::close(fd);
}

const char* reasonPhrase(int status) {
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 409:
        return "Conflict";
    case 411:
        return "Length Required";
    case 413:
        return "Content Too Large";
    case 414:
        return "URI Too Long";
    case 416:
        return "Range Not Satisfiable";
    case 417:
        return "Expectation Failed";
    case 422:
        return "Unprocessable Content";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Unknown";
    }
}

std::optional<Head> parseHead(std::string_view text, HeadError* error) {
    auto fail = [&](int status, std::string why) -> std::optional<Head> {
        if (error) *error = {status, std::move(why)};
        return std::nullopt;
    };
    Head head;
    Request& r = head.request;
    size_t lineEnd = text.find("\r\n");
    std::string_view line = text.substr(0, lineEnd);
    text = lineEnd == std::string_view::npos ? std::string_view() : text.substr(lineEnd + 2);

    // Request line: METHOD SP target SP HTTP/1.x
    size_t sp1 = line.find(' ');
    size_t sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line.find(' ', sp2 + 1) != std::string_view::npos)
        return fail(400, "malformed request line");
    std::string_view method = line.substr(0, sp1), target = line.substr(sp1 + 1, sp2 - sp1 - 1),
                     version = line.substr(sp2 + 1);
    if (!isToken(method)) return fail(400, "malformed method");
    if (target.empty() || target.front() != '/') return fail(400, "unsupported request target");
    for (char c : target)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            return fail(400, "control character in the target");
    if (version == "HTTP/1.1")
        r.minorVersion = 1;
    else if (version == "HTTP/1.0")
        r.minorVersion = 0;
    else if (version.substr(0, 5) == "HTTP/")
        return fail(505, "unsupported HTTP version");
    else
        return fail(400, "malformed request line");
    r.method = method;
    r.target = target;
    size_t q = target.find('?');
    r.path = target.substr(0, q);
    if (q != std::string_view::npos) r.query = target.substr(q + 1);
    // A fragment never travels; tolerate one anyway by cutting it.
    if (size_t hash = r.query.find('#'); hash != std::string::npos) r.query.resize(hash);

    std::optional<std::uint64_t> length;
    bool sawTransferEncoding = false;
    std::string connection;
    while (!text.empty()) {
        lineEnd = text.find("\r\n");
        line = text.substr(0, lineEnd);
        text = lineEnd == std::string_view::npos ? std::string_view() : text.substr(lineEnd + 2);
        if (line.empty()) continue;
        if (line.front() == ' ' || line.front() == '\t') return fail(400, "obsolete line folding");
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) return fail(400, "header field without a colon");
        std::string_view name = line.substr(0, colon), value = trim(line.substr(colon + 1));
        if (!isToken(name)) return fail(400, "malformed header field name");
        for (char c : value)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
                return fail(400, "control character in a header field");
        if (equalsNoCase(name, "Content-Length")) {
            auto v = decimal(value);
            if (!v || (length && *length != *v)) return fail(400, "malformed Content-Length");
            length = v;
        } else if (equalsNoCase(name, "Transfer-Encoding")) {
            auto codings = listElements(value);
            if (sawTransferEncoding || codings.size() != 1 || codings[0] != "chunked")
                return fail(501, "unsupported transfer coding");
            sawTransferEncoding = true;
        } else if (equalsNoCase(name, "Connection")) {
            connection += "," + std::string(value);
        } else if (equalsNoCase(name, "Expect")) {
            if (!equalsNoCase(value, "100-continue")) return fail(417, "unsupported expectation");
            head.expectContinue = true;
        }
        r.headers.emplace_back(name, value);
    }
    // A length beside a coding is how request smuggling starts: refuse it.
    if (length && sawTransferEncoding) return fail(400, "both Content-Length and chunked");
    head.chunked = sawTransferEncoding;
    head.contentLength = length.value_or(0);
    auto options = listElements(connection);
    bool close = std::find(options.begin(), options.end(), "close") != options.end();
    bool keep = std::find(options.begin(), options.end(), "keep-alive") != options.end();
    head.keepAlive = r.minorVersion == 1 ? !close : keep && !close;
    return head;
}

ChunkedDecoder::State ChunkedDecoder::feed(std::string& in, std::string& out) {
    constexpr size_t kMaxLine = 1024;
    size_t pos = 0;
    State state = State::More;
    while (state == State::More) {
        if (step_ == Step::Data) {
            size_t take = static_cast<size_t>(std::min<std::uint64_t>(left_, in.size() - pos));
            if (take == 0) break;
            out.append(in, pos, take);
            pos += take;
            left_ -= take;
            if (left_ == 0) step_ = Step::DataEnd;
            continue;
        }
        size_t eol = in.find("\r\n", pos);
        if (eol == std::string::npos) {
            if (in.size() - pos > kMaxLine) state = State::Malformed;
            break;
        }
        std::string_view line(in.data() + pos, eol - pos);
        pos = eol + 2;
        if (line.size() > kMaxLine) {
            state = State::Malformed;
        } else if (step_ == Step::DataEnd) {
            if (!line.empty()) state = State::Malformed;
            step_ = Step::Size;
        } else if (step_ == Step::Trailer) {
            trailerBytes_ += line.size() + 2;
            if (line.empty())
                state = State::Done;
            else if (trailerBytes_ > 8 * kMaxLine)
                state = State::Malformed;
        } else {
            // chunk-size [ ; extensions ]
            std::string_view digits = trim(line.substr(0, line.find(';')));
            std::uint64_t size = 0;
            bool digitsOk = !digits.empty() && digits.size() <= 15;
            for (char c : digits) {
                int d = hexDigit(c);
                if (d < 0) digitsOk = false;
                size = size * 16 + static_cast<std::uint64_t>(std::max(d, 0));
            }
            if (!digitsOk) {
                state = State::Malformed;
            } else if (size == 0) {
                step_ = Step::Trailer;
            } else if (total_ + size > maxBody_) {
                state = State::TooLarge;
            } else {
                total_ += size;
                left_ = size;
                step_ = Step::Data;
            }
        }
    }
    in.erase(0, pos);
    return state;
}

std::string percentDecode(std::string_view s, bool plusIsSpace) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '%' && i + 2 < s.size()) {
            int hi = hexDigit(s[i + 1]), lo = hexDigit(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += (plusIsSpace && c == '+') ? ' ' : c;
    }
    return out;
}

std::map<std::string, std::string> decodeUrlForm(std::string_view text) {
    std::map<std::string, std::string> out;
    while (!text.empty()) {
        size_t amp = text.find('&');
        std::string_view pair = text.substr(0, amp);
        if (!pair.empty()) {
            size_t eq = pair.find('=');
            std::string name = percentDecode(pair.substr(0, eq), true);
            out[name] =
                eq == std::string_view::npos ? "" : percentDecode(pair.substr(eq + 1), true);
        }
        if (amp == std::string_view::npos) break;
        text.remove_prefix(amp + 1);
    }
    return out;
}

std::optional<std::string> cookieValue(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        size_t semi = header.find(';');
        std::string_view item = trim(header.substr(0, semi));
        size_t eq = item.find('=');
        if (eq != std::string_view::npos && trim(item.substr(0, eq)) == name) {
            std::string_view value = trim(item.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return std::string(value);
        }
        if (semi == std::string_view::npos) break;
        header.remove_prefix(semi + 1);
    }
    return std::nullopt;
}

std::string contentTypeFor(std::string_view name) {
    static const std::pair<const char*, const char*> kTypes[] = {
        {".html", "text/html; charset=utf-8"},
        {".htm", "text/html; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".txt", "text/plain; charset=utf-8"},
        {".xml", "application/xml"},
        {".json", "application/json"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".png", "image/png"},
        {".gif", "image/gif"},
        {".svg", "image/svg+xml"},
        {".ico", "image/vnd.microsoft.icon"},
        {".ogg", "audio/ogg"},
        {".oga", "audio/ogg"},
        {".mp3", "audio/mpeg"},
        {".wav", "audio/wav"},
        {".webm", "video/webm"},
        {".mp4", "video/mp4"},
        {".m4v", "video/mp4"},
        {".mxp4", "application/octet-stream"},
    };
    size_t dot = name.rfind('.');
    size_t slash = name.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return "application/octet-stream";
    std::string_view ext = name.substr(dot);
    for (auto& [e, type] : kTypes)
        if (equalsNoCase(ext, e)) return type;
    return "application/octet-stream";
}

std::optional<ByteRange> parseRange(std::string_view header, std::uint64_t size) {
    header = trim(header);
    if (header.substr(0, 6) != "bytes=") return std::nullopt;
    std::string_view spec = trim(header.substr(6));
    if (spec.find(',') != std::string_view::npos) return std::nullopt; // several: whole file
    size_t dash = spec.find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    std::string_view a = trim(spec.substr(0, dash)), b = trim(spec.substr(dash + 1));
    ByteRange r;
    if (a.empty()) {
        // The last n bytes.
        auto n = decimal(b);
        if (!n) return std::nullopt;
        if (*n == 0 || size == 0) return ByteRange{0, 0, false};
        r.length = std::min(*n, size);
        r.first = size - r.length;
        return r;
    }
    auto first = decimal(a);
    if (!first) return std::nullopt;
    std::uint64_t last = size == 0 ? 0 : size - 1;
    if (!b.empty()) {
        auto l = decimal(b);
        if (!l || *l < *first) return std::nullopt;
        last = std::min(*l, last);
    }
    if (*first >= size) return ByteRange{0, 0, false};
    r.first = *first;
    r.length = last - *first + 1;
    return r;
}

} // namespace zserver::http
