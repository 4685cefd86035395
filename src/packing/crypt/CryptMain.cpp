// crypt: the companion encryptor of the default encryptor definitions.
//
//   crypt MODE SOURCE DESTINATION PASSWORD
//
// Encrypts or decrypts one file through OpenSSL's libcrypto. Every file carries its own random salt and
// IV; the key comes from the password through PBKDF2-HMAC-SHA256, and an HMAC-SHA256 over the header and
// the ciphertext (encrypt-then-MAC) detects a wrong password or a damaged file, in which case nothing is
// written. Output goes to a temporary file beside the destination, renamed into place when complete.

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/provider.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kMagic[8] = {'T', 'N', 'X', 'C', 'R', 'Y', 'P', 'T'};
constexpr unsigned char kVersion = 1;
constexpr unsigned char kKdfPbkdf2Sha256 = 1;
constexpr unsigned kIterations = 200000;
// A file may ask for more work than we would choose, but not for an endless key derivation.
constexpr unsigned kMaxIterations = 20000000;
constexpr size_t kSaltSize = 16;
constexpr size_t kVerifierSize = 16;
constexpr size_t kMacSize = 32;
constexpr size_t kTagSize = 16;
constexpr size_t kFixedHeaderSize = 8 + 4 + 4 + kSaltSize + kVerifierSize;  // before the IV
constexpr size_t kBufferSize = 1 << 20;

enum class TAlgorithm : unsigned char { Rc4 = 1, TripleDes = 2, Des = 3, AesGcm = 4 };

struct TMode {
    const char* encryptSwitch;
    const char* decryptSwitch;
    TAlgorithm algorithm;
    const char* title;
    const char* cipherName;
    size_t keySize;
    size_t ivSize;
    bool legacy;  // needs OpenSSL's legacy provider
};

const TMode kModes[] = {
    {"-c", "-e", TAlgorithm::Rc4, "RC4 (128 bit)", "RC4", 16, 16, true},
    {"-c3", "-e3", TAlgorithm::TripleDes, "3DES (168 bit)", "DES-EDE3-CBC", 24, 8, false},
    {"-cd", "-ed", TAlgorithm::Des, "DES (56 bit)", "DES-CBC", 8, 8, true},
    {"-ca", "-ea", TAlgorithm::AesGcm, "AES (256 bit, GCM)", "AES-256-GCM", 32, 12, false},
};

const char* const kHelp =
    "Usage: crypt MODE SOURCE DESTINATION PASSWORD\n"
    "       crypt --help\n"
    "\n"
    "Encrypts or decrypts the file SOURCE into DESTINATION with a key made from PASSWORD.\n"
    "\n"
    "Modes (encrypt / decrypt):\n"
    "  -c   / -e    RC4 with a 128-bit key (weak; kept for existing backups)\n"
    "  -c3  / -e3   Triple DES (EDE, 168-bit key) in CBC mode\n"
    "  -cd  / -ed   DES with a 56-bit key in CBC mode (weak; kept for existing backups)\n"
    "  -ca  / -ea   AES with a 256-bit key in GCM mode (recommended)\n"
    "\n"
    "When DESTINATION is a folder, the output is named after SOURCE: with \".crypt\" added when\n"
    "encrypting, with a \".crypt\" extension removed when decrypting. An existing file of that\n"
    "name is replaced only when the operation succeeds; on any failure nothing is written.\n"
    "\n"
    "File format (numbers big-endian):\n"
    "  8 bytes   \"TNXCRYPT\"\n"
    "  1 byte    format version (1)\n"
    "  1 byte    cipher: 1 RC4-128, 2 3DES-168-CBC, 3 DES-56-CBC, 4 AES-256-GCM\n"
    "  1 byte    key derivation: 1 PBKDF2-HMAC-SHA256\n"
    "  1 byte    IV length n\n"
    "  4 bytes   PBKDF2 iteration count\n"
    " 16 bytes   random salt\n"
    " 16 bytes   password check: HMAC-SHA256(master, \"check\"), first 16 bytes\n"
    "  n bytes   random IV\n"
    "  ...       ciphertext (CBC modes with PKCS#7 padding)\n"
    " 16 bytes   GCM tag (AES only; the header is the additional authenticated data)\n"
    " 32 bytes   HMAC-SHA256(mac key, every byte before it)\n"
    "\n"
    "master = PBKDF2-HMAC-SHA256(PASSWORD, salt, iterations, 32 bytes); cipher key =\n"
    "HMAC-SHA256(master, \"encrypt\") cut to the cipher's key size; mac key = HMAC-SHA256(master,\n"
    "\"mac\"). RC4 takes no IV: its key is HMAC-SHA256(cipher key, IV) cut to 16 bytes, so that\n"
    "every file has a key of its own.\n"
    "\n"
    "Exit status: 0 success, 1 failure (wrong password, damaged file, read or write error),\n"
    "2 wrong usage.\n";

int Fail(const std::string& text) {
    std::fprintf(stderr, "crypt: %s\n", text.c_str());
    return 1;
}

std::string SystemError(const std::string& what, const std::string& path, int error) {
    return what + " \"" + path + "\": " + std::strerror(error);
}

void PutU32(std::vector<unsigned char>& out, unsigned value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

unsigned GetU32(const unsigned char* p) {
    return (unsigned(p[0]) << 24) | (unsigned(p[1]) << 16) | (unsigned(p[2]) << 8) | unsigned(p[3]);
}

bool Hmac(const unsigned char* key, size_t keySize, const unsigned char* data, size_t size,
          unsigned char* out) {
    size_t length = 0;
    return EVP_Q_mac(nullptr, "HMAC", nullptr, "SHA256", nullptr, key, keySize, data, size, out, kMacSize,
                     &length) != nullptr &&
           length == kMacSize;
}

bool HmacText(const unsigned char* key, const char* text, unsigned char* out) {
    return Hmac(key, kMacSize, reinterpret_cast<const unsigned char*>(text), std::strlen(text), out);
}

struct TKeys {
    unsigned char cipher[kMacSize];
    unsigned char mac[kMacSize];
    unsigned char verifier[kMacSize];
    ~TKeys() {
        OPENSSL_cleanse(cipher, sizeof cipher);
        OPENSSL_cleanse(mac, sizeof mac);
        OPENSSL_cleanse(verifier, sizeof verifier);
    }
};

bool DeriveKeys(const std::string& password, const unsigned char* salt, unsigned iterations, TKeys& keys) {
    unsigned char master[kMacSize];
    const bool ok = PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt,
                                      static_cast<int>(kSaltSize), static_cast<int>(iterations), EVP_sha256(),
                                      sizeof master, master) == 1 &&
                    HmacText(master, "encrypt", keys.cipher) && HmacText(master, "mac", keys.mac) &&
                    HmacText(master, "check", keys.verifier);
    OPENSSL_cleanse(master, sizeof master);
    return ok;
}

// The key the cipher gets: RC4 has no IV, so the IV makes the key of each file its own.
bool CipherKey(const TMode& mode, const TKeys& keys, const unsigned char* iv, unsigned char* out) {
    if (mode.algorithm == TAlgorithm::Rc4)
        return Hmac(keys.cipher, kMacSize, iv, mode.ivSize, out);
    std::memcpy(out, keys.cipher, mode.keySize);
    return true;
}

struct TFd {
    int fd = -1;
    ~TFd() {
        if (fd >= 0)
            ::close(fd);
    }
};

struct TCipherContext {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CIPHER* cipher = nullptr;
    ~TCipherContext() {
        EVP_CIPHER_CTX_free(ctx);
        EVP_CIPHER_free(cipher);
    }
};

struct TMacContext {
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* ctx = mac ? EVP_MAC_CTX_new(mac) : nullptr;
    ~TMacContext() {
        EVP_MAC_CTX_free(ctx);
        EVP_MAC_free(mac);
    }
    bool Init(const unsigned char* key) {
        char digest[] = "SHA256";
        const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string("digest", digest, 0),
                                     OSSL_PARAM_construct_end()};
        return ctx && EVP_MAC_init(ctx, key, kMacSize, params) == 1;
    }
    bool Update(const unsigned char* data, size_t size) {
        return size == 0 || EVP_MAC_update(ctx, data, size) == 1;
    }
    bool Final(unsigned char* out) {
        size_t length = 0;
        return EVP_MAC_final(ctx, out, &length, kMacSize) == 1 && length == kMacSize;
    }
};

bool ReadAll(int fd, unsigned char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWithCrypt(const std::string& name) {
    static const char kExtension[] = ".crypt";
    const size_t n = sizeof kExtension - 1;
    if (name.size() <= n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - n + i])) != kExtension[i])
            return false;
    return true;
}

// The output file: DESTINATION itself, or a name inside it when it is a folder.
std::string OutputPath(const std::string& source, const std::string& destination, bool encrypt) {
    struct stat st {};
    if (::stat(destination.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return destination;
    std::string name = BaseName(source);
    if (encrypt)
        name += ".crypt";
    else if (EndsWithCrypt(name))
        name.resize(name.size() - 6);
    std::string folder = destination;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + name;
}

// Writes to a temporary file beside the target; Commit renames it into place, anything else removes it.
class TOutput {
public:
    bool Open(const std::string& target, std::string& error) {
        target_ = target;
        temp_ = target + ".XXXXXX";
        fd_ = ::mkstemp(temp_.data());
        if (fd_ < 0) {
            error = SystemError("cannot create a file beside", target, errno);
            temp_.clear();
            return false;
        }
        return true;
    }
    int Fd() const { return fd_; }
    bool Commit(std::string& error) {
        // No fsync: the output is mostly a temporary file that a backup run copies on at once.
        if (::close(fd_) != 0) {
            fd_ = -1;
            error = SystemError("cannot write", target_, errno);
            return false;
        }
        fd_ = -1;
        if (::rename(temp_.c_str(), target_.c_str()) != 0) {
            error = SystemError("cannot create", target_, errno);
            return false;
        }
        temp_.clear();
        return true;
    }
    ~TOutput() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!temp_.empty())
            ::unlink(temp_.c_str());
    }

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
};

// RC4 and single DES live in OpenSSL's legacy provider; the default provider stays for the rest.
class TProviders {
public:
    bool Load(const TMode& mode, std::string& error) {
        if (!mode.legacy)
            return true;
        legacy_ = OSSL_PROVIDER_load(nullptr, "legacy");
        default_ = OSSL_PROVIDER_load(nullptr, "default");
        if (!legacy_ || !default_) {
            error = std::string(mode.title) + " needs OpenSSL's legacy provider, which is not available";
            return false;
        }
        return true;
    }
    ~TProviders() {
        if (legacy_)
            OSSL_PROVIDER_unload(legacy_);
        if (default_)
            OSSL_PROVIDER_unload(default_);
    }

private:
    OSSL_PROVIDER* legacy_ = nullptr;
    OSSL_PROVIDER* default_ = nullptr;
};

int Encrypt(const TMode& mode, int in, const std::string& target, const std::string& password) {
    unsigned char salt[kSaltSize];
    std::vector<unsigned char> iv(mode.ivSize);
    if (RAND_bytes(salt, sizeof salt) != 1 || RAND_bytes(iv.data(), static_cast<int>(iv.size())) != 1)
        return Fail("no random numbers available");
    TKeys keys;
    if (!DeriveKeys(password, salt, kIterations, keys))
        return Fail("key derivation failed");

    std::vector<unsigned char> header(kMagic, kMagic + sizeof kMagic);
    header.push_back(kVersion);
    header.push_back(static_cast<unsigned char>(mode.algorithm));
    header.push_back(kKdfPbkdf2Sha256);
    header.push_back(static_cast<unsigned char>(mode.ivSize));
    PutU32(header, kIterations);
    header.insert(header.end(), salt, salt + sizeof salt);
    header.insert(header.end(), keys.verifier, keys.verifier + kVerifierSize);
    header.insert(header.end(), iv.begin(), iv.end());

    TCipherContext cipher;
    cipher.cipher = EVP_CIPHER_fetch(nullptr, mode.cipherName, nullptr);
    unsigned char key[kMacSize];
    if (!cipher.ctx || !cipher.cipher || !CipherKey(mode, keys, iv.data(), key))
        return Fail(std::string("the cipher ") + mode.title + " is not available");
    const bool gcm = mode.algorithm == TAlgorithm::AesGcm;
    int ok = EVP_EncryptInit_ex2(cipher.ctx, cipher.cipher, nullptr, nullptr, nullptr);
    if (ok == 1 && gcm)
        ok = EVP_CIPHER_CTX_ctrl(cipher.ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(mode.ivSize), nullptr);
    if (ok == 1 && mode.algorithm == TAlgorithm::Rc4)
        ok = EVP_CIPHER_CTX_set_key_length(cipher.ctx, static_cast<int>(mode.keySize));
    if (ok == 1)
        ok = EVP_EncryptInit_ex2(cipher.ctx, nullptr, key,
                                 mode.algorithm == TAlgorithm::Rc4 ? nullptr : iv.data(), nullptr);
    OPENSSL_cleanse(key, sizeof key);
    int outLength = 0;
    if (ok == 1 && gcm)
        ok = EVP_EncryptUpdate(cipher.ctx, nullptr, &outLength, header.data(),
                               static_cast<int>(header.size()));
    TMacContext mac;
    if (ok != 1 || !mac.Init(keys.mac))
        return Fail("the cipher could not be set up");

    std::string error;
    TOutput output;
    if (!output.Open(target, error))
        return Fail(error);
    if (!mac.Update(header.data(), header.size()) || !WriteAll(output.Fd(), header.data(), header.size()))
        return Fail(SystemError("cannot write", target, errno));

    std::vector<unsigned char> plain(kBufferSize);
    std::vector<unsigned char> encrypted(kBufferSize + 64);
    for (;;) {
        const ssize_t n = ::read(in, plain.data(), plain.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(std::string("cannot read the source: ") + std::strerror(errno));
        if (n == 0)
            break;
        if (EVP_EncryptUpdate(cipher.ctx, encrypted.data(), &outLength, plain.data(), static_cast<int>(n)) !=
            1)
            return Fail("encryption failed");
        if (!mac.Update(encrypted.data(), static_cast<size_t>(outLength)) ||
            !WriteAll(output.Fd(), encrypted.data(), static_cast<size_t>(outLength)))
            return Fail(SystemError("cannot write", target, errno));
    }
    if (EVP_EncryptFinal_ex(cipher.ctx, encrypted.data(), &outLength) != 1)
        return Fail("encryption failed");
    size_t tail = static_cast<size_t>(outLength);
    if (gcm) {
        if (EVP_CIPHER_CTX_ctrl(cipher.ctx, EVP_CTRL_GCM_GET_TAG, kTagSize, encrypted.data() + tail) != 1)
            return Fail("encryption failed");
        tail += kTagSize;
    }
    unsigned char check[kMacSize];
    if (!mac.Update(encrypted.data(), tail) || !mac.Final(check))
        return Fail("encryption failed");
    if (!WriteAll(output.Fd(), encrypted.data(), tail) || !WriteAll(output.Fd(), check, sizeof check))
        return Fail(SystemError("cannot write", target, errno));
    if (!output.Commit(error))
        return Fail(error);
    return 0;
}

int Decrypt(const TMode& mode, int in, off_t size, const std::string& target, const std::string& password) {
    const char* damaged = "the file is damaged or was altered; nothing was written";
    unsigned char fixed[kFixedHeaderSize];
    if (size < static_cast<off_t>(kFixedHeaderSize + kMacSize) || !ReadAll(in, fixed, sizeof fixed) ||
        std::memcmp(fixed, kMagic, sizeof kMagic) != 0)
        return Fail("the source is not a file made by crypt");
    if (fixed[8] != kVersion || fixed[10] != kKdfPbkdf2Sha256)
        return Fail("the source was made by a newer crypt (unknown format version)");
    if (fixed[9] != static_cast<unsigned char>(mode.algorithm)) {
        for (const TMode& other : kModes)
            if (static_cast<unsigned char>(other.algorithm) == fixed[9])
                return Fail(std::string("the source was encrypted with ") + other.title +
                            "; decrypt it with " + other.decryptSwitch);
        return Fail(damaged);
    }
    const size_t ivSize = fixed[11];
    const unsigned iterations = GetU32(fixed + 12);
    const bool gcm = mode.algorithm == TAlgorithm::AesGcm;
    const size_t trailer = kMacSize + (gcm ? kTagSize : 0);
    if (ivSize != mode.ivSize || iterations == 0 || iterations > kMaxIterations ||
        size < static_cast<off_t>(sizeof fixed + ivSize + trailer))
        return Fail(damaged);
    std::vector<unsigned char> header(fixed, fixed + sizeof fixed);
    header.resize(sizeof fixed + ivSize);
    if (!ReadAll(in, header.data() + sizeof fixed, ivSize))
        return Fail(damaged);
    const unsigned char* salt = fixed + 16;
    const unsigned char* verifier = fixed + 16 + kSaltSize;
    const unsigned char* iv = header.data() + sizeof fixed;

    TKeys keys;
    if (!DeriveKeys(password, salt, iterations, keys))
        return Fail("key derivation failed");
    if (CRYPTO_memcmp(keys.verifier, verifier, kVerifierSize) != 0)
        return Fail("wrong password (or a damaged file header); nothing was written");

    TCipherContext cipher;
    cipher.cipher = EVP_CIPHER_fetch(nullptr, mode.cipherName, nullptr);
    unsigned char key[kMacSize];
    if (!cipher.ctx || !cipher.cipher || !CipherKey(mode, keys, iv, key))
        return Fail(std::string("the cipher ") + mode.title + " is not available");
    int ok = EVP_DecryptInit_ex2(cipher.ctx, cipher.cipher, nullptr, nullptr, nullptr);
    if (ok == 1 && gcm)
        ok = EVP_CIPHER_CTX_ctrl(cipher.ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(ivSize), nullptr);
    if (ok == 1 && mode.algorithm == TAlgorithm::Rc4)
        ok = EVP_CIPHER_CTX_set_key_length(cipher.ctx, static_cast<int>(mode.keySize));
    if (ok == 1)
        ok = EVP_DecryptInit_ex2(cipher.ctx, nullptr, key, mode.algorithm == TAlgorithm::Rc4 ? nullptr : iv,
                                 nullptr);
    OPENSSL_cleanse(key, sizeof key);
    int outLength = 0;
    if (ok == 1 && gcm)
        ok = EVP_DecryptUpdate(cipher.ctx, nullptr, &outLength, header.data(),
                               static_cast<int>(header.size()));
    TMacContext mac;
    if (ok != 1 || !mac.Init(keys.mac) || !mac.Update(header.data(), header.size()))
        return Fail("the cipher could not be set up");

    std::string error;
    TOutput output;
    if (!output.Open(target, error))
        return Fail(error);
    off_t remaining = size - static_cast<off_t>(header.size() + trailer);
    std::vector<unsigned char> encrypted(kBufferSize);
    std::vector<unsigned char> plain(kBufferSize + 64);
    while (remaining > 0) {
        const size_t n = remaining < static_cast<off_t>(encrypted.size()) ? static_cast<size_t>(remaining)
                                                                          : encrypted.size();
        if (!ReadAll(in, encrypted.data(), n))
            return Fail(std::string("cannot read the source: ") + std::strerror(errno));
        remaining -= static_cast<off_t>(n);
        if (!mac.Update(encrypted.data(), n) || EVP_DecryptUpdate(cipher.ctx, plain.data(), &outLength,
                                                                  encrypted.data(), static_cast<int>(n)) != 1)
            return Fail(damaged);
        if (!WriteAll(output.Fd(), plain.data(), static_cast<size_t>(outLength)))
            return Fail(SystemError("cannot write", target, errno));
    }
    unsigned char tag[kTagSize];
    unsigned char stored[kMacSize];
    unsigned char computed[kMacSize];
    if ((gcm && (!ReadAll(in, tag, sizeof tag) || !mac.Update(tag, sizeof tag))) ||
        !ReadAll(in, stored, sizeof stored) || !mac.Final(computed))
        return Fail(damaged);
    // Checked before the last block is decrypted: a damaged file never reaches its final name.
    if (CRYPTO_memcmp(stored, computed, kMacSize) != 0)
        return Fail(damaged);
    if (gcm && EVP_CIPHER_CTX_ctrl(cipher.ctx, EVP_CTRL_GCM_SET_TAG, kTagSize, tag) != 1)
        return Fail(damaged);
    if (EVP_DecryptFinal_ex(cipher.ctx, plain.data(), &outLength) != 1)
        return Fail(damaged);
    if (!WriteAll(output.Fd(), plain.data(), static_cast<size_t>(outLength)))
        return Fail(SystemError("cannot write", target, errno));
    if (!output.Commit(error))
        return Fail(error);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const TMode* mode = nullptr;
    bool encrypt = false;
    if (argc >= 2) {
        for (const TMode& m : kModes) {
            if (std::strcmp(argv[1], m.encryptSwitch) == 0 || std::strcmp(argv[1], m.decryptSwitch) == 0) {
                mode = &m;
                encrypt = std::strcmp(argv[1], m.encryptSwitch) == 0;
            }
        }
    }
    if (!mode || argc != 5) {
        std::fputs(argc == 4 && mode ? "crypt: a password is needed\n" : "crypt: wrong arguments\n", stderr);
        std::fputs(kHelp, stderr);
        return 2;
    }
    const std::string source = argv[2];
    const std::string password = argv[4];
    // Shortens the time in which the password can be read from the process list.
    std::memset(argv[4], 'x', std::strlen(argv[4]));
    if (password.empty()) {
        std::fputs("crypt: a password is needed\n", stderr);
        return 2;
    }
    const std::string target = OutputPath(source, argv[3], encrypt);

    std::string error;
    TProviders providers;
    if (!providers.Load(*mode, error))
        return Fail(error);
    TFd in;
    in.fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0)
        return Fail(SystemError("cannot open", source, errno));
    struct stat sourceStatus {};
    if (::fstat(in.fd, &sourceStatus) != 0 || !S_ISREG(sourceStatus.st_mode))
        return Fail("\"" + source + "\" is not a regular file");
    struct stat targetStatus {};
    if (::stat(target.c_str(), &targetStatus) == 0 && targetStatus.st_dev == sourceStatus.st_dev &&
        targetStatus.st_ino == sourceStatus.st_ino)
        return Fail("source and destination are the same file");
    return encrypt ? Encrypt(*mode, in.fd, target, password)
                   : Decrypt(*mode, in.fd, sourceStatus.st_size, target, password);
}
