#include "test_certificate.hpp"

#include "platform/platform.hpp"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>

namespace lw::test {
namespace {

template <typename T, void (*Free)(T*)> struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Cert = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Extension = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION, X509_EXTENSION_free>>;

void check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("test certificate: ") + what);
}

void writePem(const std::string& path, const std::function<int(BIO*)>& write) {
    std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>> bio(BIO_new(BIO_s_mem()));
    check(bio && write(bio.get()) == 1, "PEM");
    char* data = nullptr;
    long size = BIO_get_mem_data(bio.get(), &data);
    platform::WriteFile out(path, platform::WriteFile::Mode::CreatePrivate);
    check(out.isOpen() && !out.writeAt(std::string_view(data, static_cast<size_t>(size)), 0) &&
              !out.close(),
          "write");
}

} // namespace

TestCertificate makeTestCertificate(const std::string& folder) {
    Key key(EVP_EC_gen("P-256"));
    check(key != nullptr, "key");
    Cert cert(X509_new());
    check(cert != nullptr, "X509_new");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -60);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert.get(), cert.get(), nullptr, nullptr, 0);
    Extension san(
        X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost"));
    check(san && X509_add_ext(cert.get(), san.get(), -1) == 1, "subjectAltName");
    check(X509_sign(cert.get(), key.get(), EVP_sha256()) > 0, "sign");

    TestCertificate files{platform::joinPath(folder, "cert.pem"),
                          platform::joinPath(folder, "key.pem")};
    writePem(files.certFile, [&](BIO* bio) { return PEM_write_bio_X509(bio, cert.get()); });
    writePem(files.keyFile, [&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
    return files;
}

} // namespace lw::test
