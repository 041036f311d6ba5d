#pragma once

#include <string>

namespace lw::test {

// A self-signed certificate for 127.0.0.1 (and localhost), made now with a fresh key,
// valid for a day: folder/cert.pem and folder/key.pem. Throws when OpenSSL fails.
struct TestCertificate {
    std::string certFile;
    std::string keyFile;
};
TestCertificate makeTestCertificate(const std::string& folder);

} // namespace lw::test
