#include "relay_sim.hpp"

#include "platform/platform.hpp"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace relaysim {
namespace {

namespace fs = std::filesystem;

// A file name piece from UTF-8 text (hosts, keywords, picture paths).
fs::path u8(const std::string& text) {
    return lw::platform::toPath(text);
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && lowered(a) == lowered(b);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string trim(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return std::string(text.substr(begin, end - begin));
}

bool isNumber(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits as a number, capped so that no fixture value can overflow.
int toInt(std::string_view digits) {
    long long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 1000000000)
            return 1000000000;
    }
    return static_cast<int>(value);
}

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t at = text.find(separator, start);
        parts.emplace_back(text.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos)
            return parts;
        start = at + 1;
    }
}

// The value of name in "a=1&b=2" text, decoded; nullopt when absent.
std::optional<std::string> formValue(std::string_view text, std::string_view name) {
    for (const auto& pair : split(text, '&')) {
        size_t eq = pair.find('=');
        std::string key = percentDecode(pair.substr(0, eq), true);
        if (key == name)
            return eq == std::string::npos ? std::string()
                                           : percentDecode(pair.substr(eq + 1), true);
    }
    return std::nullopt;
}

std::optional<std::string> readFile(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// TAB-separated rows of a fixture table, without blank and "#" lines.
std::vector<std::vector<std::string>> readTable(const fs::path& path) {
    std::vector<std::vector<std::string>> rows;
    auto text = readFile(path);
    if (!text)
        return rows;
    for (auto line : split(*text, '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (trim(line).empty() || line[0] == '#')
            continue;
        rows.push_back(split(line, '\t'));
    }
    return rows;
}

// Keywords sent as GBK bytes are looked up under their UTF-8 folder name. The system's
// converter, not the program's codec, so a fault in that codec cannot hide itself here
// (Windows has lossless GBK only in code page 936, which fixtures need no more than).
std::string gb18030ToUtf8(const std::string& bytes) {
    auto text =
        lw::platform::systemToUtf8(bytes, lw::platform::kWindows ? "GBK" : "GB18030", false);
    return text ? *text : bytes;
}

// A relative path below a fixture folder; empty when it would leave it.
std::string safeRelative(const std::string& decodedPath) {
    std::string out;
    for (const auto& segment : split(decodedPath, '/')) {
        if (segment.empty() || segment == ".")
            continue;
        if (segment == ".." || segment.find('\0') != std::string::npos ||
            segment.find('\\') != std::string::npos)
            return {};
        if (!out.empty())
            out += '/';
        out += segment;
    }
    return out;
}

std::string contentTypeFor(const std::string& path) {
    std::string ext = lowered(lw::platform::fromPath(lw::platform::toPath(path).extension()));
    if (ext == ".jpg" || ext == ".jpeg")
        return "image/jpeg";
    if (ext == ".png")
        return "image/png";
    if (ext == ".gif")
        return "image/gif";
    if (ext == ".webp")
        return "image/webp";
    if (ext == ".html" || ext == ".htm")
        return "text/html";
    return "application/octet-stream";
}

std::string ErrorResponse(const std::string& code, const std::string& msg,
                          const std::string& subCode, const std::string& subMsg) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\" ?><error_response><code>" + code +
           "</code><msg>" + msg + "</msg><sub_code>" + subCode + "</sub_code><sub_msg>" + subMsg +
           "</sub_msg></error_response>";
}

struct Answer {
    int status = 200;
    std::string contentType = "text/plain";
    std::string body;
};

const char* const kXml = "text/xml;charset=UTF-8";

} // namespace

std::string percentDecode(std::string_view text, bool plusIsBlank) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else if (c == '+' && plusIsBlank) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

// The listing page a shop request asks for: pageNum, 1 when missing or not a number.
std::string listingPageOf(const RecordedRequest& rec) {
    std::string page = formValue(rec.query, "pageNum").value_or("1");
    return isNumber(page) ? page : std::string("1");
}

std::optional<Fault> parseFault(const std::string& rawLine, std::string* error) {
    if (error)
        error->clear();
    std::string line = rawLine;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    if (trim(line).empty() || trim(line)[0] == '#')
        return std::nullopt;
    std::vector<std::string> fields;
    if (line.find('\t') != std::string::npos) {
        for (const auto& f : split(line, '\t'))
            fields.push_back(trim(f));
    } else {
        std::istringstream in(line);
        std::string f;
        while (in >> f)
            fields.push_back(f);
    }
    auto fail = [&](const std::string& why) -> std::optional<Fault> {
        if (error)
            *error = "bad fault \"" + line + "\": " + why;
        return std::nullopt;
    };
    if (fields.size() < 2 || fields.size() > 4)
        return fail("expected match, kind, argument, times");
    static const std::pair<const char*, FaultKind> kinds[] = {
        {"latency", FaultKind::Latency},
        {"status", FaultKind::Status},
        {"error-response", FaultKind::ErrorResponse},
        {"stall", FaultKind::Stall},
        {"stall-body", FaultKind::StallBody},
        {"short-body", FaultKind::ShortBody},
        {"bad-json", FaultKind::BadJson},
        {"bom", FaultKind::Bom},
        {"no-length", FaultKind::NoLength},
        {"empty", FaultKind::Empty},
        {"redirect", FaultKind::Redirect},
        {"cookie", FaultKind::Cookie},
        {"cut-chunked", FaultKind::CutChunked},
        {"slow-body", FaultKind::SlowBody},
        {"stall-chunked", FaultKind::StallChunked},
        {"deep-json", FaultKind::DeepJson},
    };
    Fault fault;
    fault.match = fields[0];
    auto kind = std::find_if(std::begin(kinds), std::end(kinds),
                             [&](const auto& k) { return fields[1] == k.first; });
    if (kind == std::end(kinds))
        return fail("unknown kind " + fields[1]);
    fault.kind = kind->second;
    // "-" stands for no argument where a times field follows.
    if (fields.size() > 2 && fields[2] != "-")
        fault.argument = fields[2];
    if (fields.size() > 3) {
        if (!isNumber(fields[3]))
            return fail("times must be a number");
        fault.times = toInt(fields[3]);
    }
    bool needsNumber = fault.kind == FaultKind::Latency || fault.kind == FaultKind::Status ||
                       fault.kind == FaultKind::Stall || fault.kind == FaultKind::StallBody ||
                       fault.kind == FaultKind::SlowBody || fault.kind == FaultKind::StallChunked ||
                       fault.kind == FaultKind::DeepJson;
    if (needsNumber && !isNumber(fault.argument))
        return fail(fields[1] + " needs a number");
    if (fault.kind == FaultKind::Redirect && fault.argument.empty())
        return fail("redirect needs an address");
    if (fault.kind == FaultKind::Cookie && fault.argument.empty())
        return fail("cookie needs NAME=VALUE");
    if (fault.kind == FaultKind::ShortBody && !fault.argument.empty() && !isNumber(fault.argument))
        return fail("short-body takes a byte count");
    const std::string& m = fault.match;
    bool knownMatch = m == "*" || m == "lookup" || startsWith(m, "method=") ||
                      startsWith(m, "offer=") || startsWith(m, "lookup=") ||
                      startsWith(m, "host=") || startsWith(m, "path=") ||
                      (startsWith(m, "page=") && isNumber(m.substr(5)));
    if (!knownMatch)
        return fail("unknown match " + m);
    return fault;
}

std::string RecordedRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (equalNoCase(key, name))
            return value;
    return {};
}

bool RecordedRequest::hasHeader(std::string_view name) const {
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& h) { return equalNoCase(h.first, name); });
}

std::string RecordedRequest::param(std::string_view name) const {
    if (auto value = formValue(body, name))
        return *value;
    return formValue(query, name).value_or(std::string());
}

struct Server::Impl {
    // Made by start (plain) or startTls.
    std::unique_ptr<httplib::Server> http;
    bool tls = false;
    std::thread listener;
    fs::path fixtures;
    int port = 0;

    mutable std::mutex mutex; // requests and faults
    std::vector<RecordedRequest> requests;
    std::vector<Fault> faults;

    std::mutex stopMutex;
    std::condition_variable stopCv;
    bool stopping = false;

    // Waits ms; false when the server stops meanwhile.
    bool wait(int ms) {
        std::unique_lock lock(stopMutex);
        return !stopCv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping; });
    }

    RecordedRequest record(const httplib::Request& req) const;
    std::optional<Fault> takeFault(const RecordedRequest& rec);
    Answer answer(const RecordedRequest& rec) const;
    Answer relayAnswer(const RecordedRequest& rec) const;
    Answer lookupAnswer(const RecordedRequest& rec) const;
    void handle(const httplib::Request& req, httplib::Response& res);
};

RecordedRequest Server::Impl::record(const httplib::Request& req) const {
    RecordedRequest rec;
    rec.method = req.method;
    rec.target = req.target;
    rec.body = req.body;
    for (const auto& [key, value] : req.headers) {
        if (key == "REMOTE_ADDR" || key == "REMOTE_PORT" || key == "LOCAL_ADDR" ||
            key == "LOCAL_PORT")
            continue;
        rec.headers.emplace_back(key, value);
    }
    std::string rest = req.target;
    std::string lower = lowered(rest);
    if (startsWith(lower, "http://") || startsWith(lower, "https://")) {
        size_t authority = rest.find("://") + 3;
        size_t slash = rest.find_first_of("/?#", authority);
        rec.host =
            lowered(rest.substr(authority, slash == std::string::npos ? slash : slash - authority));
        rest = slash == std::string::npos ? "/" : rest.substr(slash);
    } else {
        rec.host = lowered(req.get_header_value("Host"));
    }
    if (size_t hash = rest.find('#'); hash != std::string::npos)
        rest.resize(hash);
    size_t question = rest.find('?');
    rec.path = rest.substr(0, question);
    if (question != std::string::npos)
        rec.query = rest.substr(question + 1);
    if (rec.path.empty())
        rec.path = "/";

    std::error_code ec;
    std::string hostNoPort = rec.host.substr(0, rec.host.find(':'));
    std::string relative = safeRelative(percentDecode(rec.path, false));
    if (rec.path == "/openapi/getdata.aspx")
        rec.role = "relay";
    else if (rec.path == "/xml/getxml.asp")
        rec.role = "lookup";
    else if (!relative.empty() &&
             (fs::is_regular_file(fixtures / "pictures" / u8(rec.host) / u8(relative), ec) ||
              fs::is_regular_file(fixtures / "pictures" / u8(hostNoPort) / u8(relative), ec)))
        rec.role = "picture";
    else if (fs::is_directory(fixtures / "shops" / u8(rec.host), ec) ||
             fs::is_directory(fixtures / "shops" / u8(hostNoPort), ec))
        rec.role = "shop";
    else
        rec.role = "unknown";
    return rec;
}

std::optional<Fault> Server::Impl::takeFault(const RecordedRequest& rec) {
    std::lock_guard lock(mutex);
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        const std::string& m = it->match;
        bool hit = false;
        if (m == "*")
            hit = true;
        else if (startsWith(m, "method="))
            hit = rec.role == "relay" && rec.param("method") == m.substr(7);
        else if (startsWith(m, "offer="))
            hit = rec.role == "relay" && rec.param("method") == "offer.get" &&
                  rec.param("offerId") == m.substr(6);
        else if (m == "lookup")
            hit = rec.role == "lookup";
        else if (startsWith(m, "lookup="))
            hit = rec.role == "lookup" && rec.param("tablename") == m.substr(7);
        else if (startsWith(m, "host="))
            hit = rec.host == lowered(m.substr(5)) ||
                  rec.host.substr(0, rec.host.find(':')) == lowered(m.substr(5));
        else if (startsWith(m, "path="))
            hit = startsWith(rec.path, m.substr(5));
        else if (startsWith(m, "page="))
            hit = rec.role == "shop" && rec.path == "/page/offerlist.htm" &&
                  toInt(listingPageOf(rec)) == toInt(m.substr(5));
        if (!hit)
            continue;
        Fault fault = *it;
        if (it->times > 0 && --it->times == 0)
            faults.erase(it);
        return fault;
    }
    return std::nullopt;
}

Answer Server::Impl::relayAnswer(const RecordedRequest& rec) const {
    if (rec.param("app_key").empty())
        return {
            200, kXml,
            ErrorResponse("29", "Invalid app Key", "isv.appkey-not-exists", "app_key is missing")};
    std::string method = rec.param("method");
    if (method == "offer.get") {
        std::string id = rec.param("offerId");
        bool safe = !id.empty() && std::all_of(id.begin(), id.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                   c == '-' || c == '_';
        });
        if (safe)
            if (auto body = readFile(fixtures / "offers" / (id + ".json")))
                return {200, "application/json;charset=UTF-8", *body};
        return {200, kXml,
                ErrorResponse("15", "Remote service error", "isv.offer-not-found",
                              "offer " + id + " does not exist")};
    }
    static const std::pair<const char*, const char*> files[] = {
        {"user.itemcats.get", "itemcats.xml"},
        {"user.itemprops.get", "itemprops.xml"},
        {"user.itemprops_value.get", "itemprops_value.xml"},
    };
    for (const auto& [name, file] : files) {
        if (method != name)
            continue;
        if (auto body = readFile(fixtures / file))
            return {200, kXml, *body};
        return {200, kXml,
                ErrorResponse("15", "Remote service error", "isv.missing-fixture",
                              std::string(file) + " is not in the fixture folder")};
    }
    return {200, kXml, ErrorResponse("22", "Invalid method", "isv.invalid-method", method)};
}

Answer Server::Impl::lookupAnswer(const RecordedRequest& rec) const {
    std::string table = rec.param("tablename");
    std::string cid = rec.param("cid");
    std::string name = rec.param("name");
    std::string found;
    if (table == "TB_ItemProps") {
        for (const auto& row : readTable(fixtures / "props.tsv"))
            if (row.size() >= 3 && (row[0] == cid || row[0] == "*") && row[1] == name) {
                found = "<pid>" + row[2] + "</pid>";
                break;
            }
    } else if (table == "TB_ItemPropValue") {
        std::string pid = rec.param("pid");
        for (const auto& row : readTable(fixtures / "propvalues.tsv"))
            if (row.size() >= 4 && (row[0] == cid || row[0] == "*") && row[1] == pid &&
                row[2] == name) {
                found = "<pid>" + row[1] + "</pid><vid>" + row[3] + "</vid>";
                break;
            }
    }
    return {200, kXml, "<?xml version=\"1.0\" encoding=\"utf-8\"?><result>" + found + "</result>"};
}

Answer Server::Impl::answer(const RecordedRequest& rec) const {
    if (rec.role == "relay")
        return relayAnswer(rec);
    if (rec.role == "lookup")
        return lookupAnswer(rec);
    std::string hostNoPort = rec.host.substr(0, rec.host.find(':'));
    std::string relative = safeRelative(percentDecode(rec.path, false));
    auto fromHostFolder = [&](const fs::path& root) -> std::optional<std::string> {
        if (relative.empty())
            return std::nullopt;
        if (auto body = readFile(root / u8(rec.host) / u8(relative)))
            return body;
        return readFile(root / u8(hostNoPort) / u8(relative));
    };
    if (rec.role == "picture")
        if (auto body = fromHostFolder(fixtures / "pictures"))
            return {200, contentTypeFor(relative), *body};
    if (rec.role == "shop") {
        if (rec.path == "/page/offerlist.htm") {
            std::string keyword = formValue(rec.query, "keywords").value_or("");
            // The shop site takes its keywords in GBK, like the real one; bytes that are
            // not GBK are used as they came.
            keyword = gb18030ToUtf8(keyword);
            keyword = trim(keyword);
            if (keyword.empty())
                keyword = "_";
            std::string page = listingPageOf(rec);
            bool safe = keyword.find('/') == std::string::npos && keyword != "." && keyword != "..";
            if (safe) {
                for (const auto& host : {rec.host, hostNoPort}) {
                    if (auto body = readFile(fixtures / "shops" / u8(host) / u8(keyword) /
                                             (page + ".html")))
                        return {200, "text/html", *body};
                }
            }
        } else if (auto body = fromHostFolder(fixtures / "shops")) {
            return {200, contentTypeFor(relative), *body};
        }
    }
    return {404, "text/plain", "relay-sim: nothing for " + rec.target};
}

void Server::Impl::handle(const httplib::Request& req, httplib::Response& res) {
    RecordedRequest rec = record(req);
    {
        std::lock_guard lock(mutex);
        requests.push_back(rec);
    }
    std::optional<Fault> fault = takeFault(rec);
    FaultKind kind = fault ? fault->kind : FaultKind::Latency;
    int number = fault && isNumber(fault->argument) ? toInt(fault->argument) : 0;

    if (fault && (kind == FaultKind::Latency || kind == FaultKind::Stall) && !wait(number))
        return;
    Answer a = answer(rec);
    if (fault) {
        switch (kind) {
        case FaultKind::Status:
            a = {number, "text/plain", "relay-sim: status " + std::to_string(number)};
            break;
        case FaultKind::ErrorResponse: {
            auto parts = split(fault->argument, '|');
            parts.resize(3);
            if (parts[0].empty())
                parts[0] = "Remote service error";
            a = {200, kXml,
                 "<error_response><msg>" + parts[0] + "</msg>" +
                     (parts[1].empty() ? "" : "<sub_code>" + parts[1] + "</sub_code>") +
                     (parts[2].empty() ? "" : "<sub_msg>" + parts[2] + "</sub_msg>") +
                     "</error_response>"};
            break;
        }
        case FaultKind::BadJson:
            a = {200, "application/json;charset=UTF-8", "relay-sim: this answer is not JSON {"};
            break;
        case FaultKind::Empty:
            a = {200, a.contentType, ""};
            break;
        case FaultKind::DeepJson: {
            const auto levels = static_cast<std::size_t>(number);
            a = {200, "application/json;charset=UTF-8",
                 R"({"result":{"toReturn":[{"subject":"deep","skuArray":)" +
                     std::string(levels, '[') + std::string(levels, ']') + "}]}}"};
            break;
        }
        case FaultKind::Bom:
            a.body = "\xEF\xBB\xBF" + a.body;
            break;
        case FaultKind::Redirect:
            a = {302, "text/plain", "relay-sim: moved"};
            res.set_header("Location", fault->argument);
            break;
        case FaultKind::Cookie:
            res.set_header("Set-Cookie", fault->argument);
            break;
        default:
            break;
        }
    }
    res.status = a.status;
    bool streamed = fault && (kind == FaultKind::NoLength || kind == FaultKind::ShortBody ||
                              kind == FaultKind::StallBody || kind == FaultKind::CutChunked ||
                              kind == FaultKind::StallChunked || kind == FaultKind::SlowBody);
    if (!streamed) {
        res.set_content(a.body, a.contentType.c_str());
        return;
    }
    auto body = std::make_shared<std::string>(std::move(a.body));
    if (kind == FaultKind::NoLength) {
        res.set_chunked_content_provider(a.contentType.c_str(),
                                         [body](size_t, httplib::DataSink& sink) {
                                             sink.write(body->data(), body->size());
                                             sink.done();
                                             return true;
                                         });
        return;
    }
    if (kind == FaultKind::CutChunked) {
        // Half the body in one chunk, then the connection ends without the last chunk.
        res.set_chunked_content_provider(a.contentType.c_str(),
                                         [body](size_t, httplib::DataSink& sink) {
                                             sink.write(body->data(), body->size() / 2);
                                             return false;
                                         });
        return;
    }
    if (kind == FaultKind::StallChunked) {
        // Half the body in one chunk, ms of silence, then the end without the last chunk.
        res.set_chunked_content_provider(a.contentType.c_str(),
                                         [this, body, number](size_t, httplib::DataSink& sink) {
                                             sink.write(body->data(), body->size() / 2);
                                             wait(number);
                                             return false;
                                         });
        return;
    }
    if (kind == FaultKind::SlowBody) {
        // Ten pieces with ms of silence before each: the whole answer takes ten times ms.
        res.set_content_provider(
            body->size(), a.contentType.c_str(),
            [this, body, number](size_t offset, size_t, httplib::DataSink& sink) {
                if (!wait(number))
                    return false;
                size_t piece = std::max<size_t>(1, (body->size() + 9) / 10);
                sink.write(body->data() + offset, std::min(piece, body->size() - offset));
                return true;
            });
        return;
    }
    // Short or stalled body: the full length is announced, then the connection ends early.
    size_t sent = body->size() / 2;
    if (kind == FaultKind::ShortBody && !fault->argument.empty())
        sent = std::min<size_t>(static_cast<size_t>(number), body->size());
    if (sent >= body->size() && !body->empty())
        sent = body->size() - 1;
    if (body->empty())
        *body = "relay-sim";
    bool stall = kind == FaultKind::StallBody;
    res.set_content_provider(
        body->size(), a.contentType.c_str(),
        [this, body, sent, stall, number](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset == 0 && sent > 0)
                sink.write(body->data(), sent);
            if (stall)
                wait(number);
            return false;
        });
}

Server::Server() : impl_(std::make_unique<Impl>()) {}

Server::~Server() {
    stop();
}

int Server::start(const std::string& fixtureDir, int port) {
    if (impl_->listener.joinable())
        throw std::runtime_error("relay-sim is already running");
    if (!impl_->http || impl_->tls) {
        impl_->http = std::make_unique<httplib::Server>();
        impl_->tls = false;
    }
    return listen(fixtureDir, port);
}

int Server::startTls(const std::string& fixtureDir, const std::string& certFile,
                     const std::string& keyFile, int port) {
    if (impl_->listener.joinable())
        throw std::runtime_error("relay-sim is already running");
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
    auto server = std::make_unique<httplib::SSLServer>(certFile.c_str(), keyFile.c_str());
    if (!server->is_valid())
        throw std::runtime_error("relay-sim cannot use the certificate " + certFile);
    impl_->http = std::move(server);
    impl_->tls = true;
    return listen(fixtureDir, port);
#else
    (void)fixtureDir;
    (void)certFile;
    (void)keyFile;
    (void)port;
    throw std::runtime_error("this relay-sim was built without TLS");
#endif
}

int Server::listen(const std::string& fixtureDir, int port) {
    impl_->fixtures = lw::platform::toPath(fixtureDir);
    {
        std::lock_guard lock(impl_->stopMutex);
        impl_->stopping = false;
    }
    if (auto text = readFile(impl_->fixtures / "faults.tsv")) {
        for (const auto& line : split(*text, '\n'))
            addFault(line);
    }
    Impl* impl = impl_.get();
    auto handler = [impl](const httplib::Request& req, httplib::Response& res) {
        impl->handle(req, res);
    };
    impl_->http->Get(".*", handler);
    impl_->http->Post(".*", handler);
    impl_->http->Put(".*", handler);
    impl_->http->Delete(".*", handler);
    impl_->http->set_keep_alive_timeout(1);
    // Headers and body go out in separate writes; without this every answer on a kept
    // connection waits for the client's delayed acknowledgement (about 40 ms).
    impl_->http->set_tcp_nodelay(true);
    // Every kept connection holds a thread until it has been idle for the keep-alive
    // time: a run's look-ups and picture jobs keep a few dozen at once.
    impl_->http->new_task_queue = [] { return new httplib::ThreadPool(64); };
    // The library listens with a backlog of 5: a burst of connections (parallel look-ups
    // and pictures) loses SYNs and waits a second for the retry. Listening again on the
    // bound socket raises it (where the system allows; elsewhere nothing changes).
    auto listening = std::make_shared<socket_t>(INVALID_SOCKET);
    impl_->http->set_socket_options([listening](socket_t sock) {
        httplib::default_socket_options(sock);
        *listening = sock;
    });
    int bound = port == 0 ? impl_->http->bind_to_any_port("127.0.0.1")
                          : (impl_->http->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound > 0 && *listening != INVALID_SOCKET)
        ::listen(*listening, 256);
    if (bound <= 0)
        throw std::runtime_error("relay-sim cannot listen on 127.0.0.1:" + std::to_string(port));
    impl_->port = bound;
    impl_->listener = std::thread([impl] { impl->http->listen_after_bind(); });
    // A stop before the listener runs would be lost and leave it in accept() for good.
    for (int i = 0; i < 2000 && !impl_->http->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bound;
}

void Server::stop() {
    {
        std::lock_guard lock(impl_->stopMutex);
        impl_->stopping = true;
    }
    impl_->stopCv.notify_all();
    if (impl_->listener.joinable()) {
        impl_->http->stop();
        impl_->listener.join();
    }
}

int Server::port() const {
    return impl_->port;
}

std::string Server::hostPort() const {
    return "127.0.0.1:" + std::to_string(impl_->port);
}

std::string Server::url() const {
    return (impl_->tls ? "https://" : "http://") + hostPort();
}

std::vector<RecordedRequest> Server::requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requests;
}

void Server::clearRequests() {
    std::lock_guard lock(impl_->mutex);
    impl_->requests.clear();
}

void Server::addFault(const Fault& fault) {
    std::lock_guard lock(impl_->mutex);
    impl_->faults.push_back(fault);
}

void Server::addFault(const std::string& line) {
    std::string error;
    auto fault = parseFault(line, &error);
    if (!error.empty())
        throw std::runtime_error(error);
    if (fault)
        addFault(*fault);
}

void Server::clearFaults() {
    std::lock_guard lock(impl_->mutex);
    impl_->faults.clear();
}

} // namespace relaysim
