// Encrypted databases: what deciphering adds to reading a page. For each
// encrypted test database, every page after the header is read through a
// Pager with the file's cipher and through one without (the same reads from
// the same file, the bytes left enciphered), round after round; the median
// time per page of each and their ratio. The key derivation, once per open,
// is timed apart.
// Then a whole table: each encrypted file deciphered, ROWS
// rows (default 100,000) written into their table with the engine's writer,
// and the result enciphered again (see wholeTable); the export
// of the table as CSV, from the plain copy and from the encrypted one, median
// of repeated runs, the open (and key derivation) timed apart. Exits 1 when a
// file cannot be opened, holds no pages, or an export reads no rows or not
// the same CSV. The same for the two agile files. Run by hand: build/ravelin-bench-crypto [ROWS]; with
// RAVELIN_BENCH_KEEP set it keeps the two files and says where.
#include "jet/Database.h"
#include "jet/crypto/OfficeEncryption.h"
#include "jet/page/Coding.h"
#include "jet/page/HeaderFormat.h"
#include "jet/page/Pager.h"
#include "jet/page/Rc4.h"
#include "jet/store/Store.h"
#include "jet/table/CsvExport.h"
#include "jet/write/TableWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <openssl/evp.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Microseconds per page for reading every page but the header, median of `rounds`.
double perPage(const jet::Pager& pager, int rounds) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        for (std::uint32_t p = 1; p < pager.pageCount(); ++p)
            pager.page(p);
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / (pager.pageCount() - 1));
    }
    return median(times);
}

std::vector<std::uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// Makes header page `page0` that of a plain file, which the engine writes:
// database key 0 (pages not enciphered) and no password (its bytes equal to
// the creation date's mask).
void makePlainHeader(std::span<std::uint8_t> page0) {
    const auto area = page0.subspan(jet::kHeaderCipherAt, jet::headerCipherLength(false));
    jet::Rc4(jet::kHeaderKey).apply(area);
    jet::writeU32(&page0[jet::kHeaderDatabaseKeyAt], 0);
    const auto days = static_cast<std::int32_t>(jet::readDouble(&page0[jet::kHeaderCreationDateAt]));
    for (std::size_t n = 0; n < jet::headerPasswordLength(false); ++n)
        page0[jet::kHeaderPasswordAt + n] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(days) >> (8 * (n % 4)));
    jet::Rc4(jet::kHeaderKey).apply(area);
}

// Every page after the header page through `cipher` (RC4: enciphers or deciphers).
void applyCipher(std::vector<std::uint8_t>& bytes, const jet::PageCipher& cipher, std::size_t pageSize) {
    for (std::size_t p = 1; (p + 1) * pageSize <= bytes.size(); ++p)
        cipher.decipher(static_cast<std::uint32_t>(p), std::span(bytes).subspan(p * pageSize, pageSize));
}

struct ExportFigures {
    double openMs = 0, exportMs = 0;
    std::size_t rows = 0;
    std::string csv;
};

ExportFigures timeExport(const std::string& path, const std::string& password, const std::string& table, int runs) {
    ExportFigures f;
    std::vector<double> opens, exports;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        const auto db = jet::Database::open(path, password);
        const auto t1 = Clock::now();
        std::ostringstream csv, notes;
        f.rows = jet::exportCsv(db, table, csv, notes).rows;
        exports.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t1).count());
        opens.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        if (r == 0)
            f.csv = csv.str();
    }
    f.openMs = median(opens);
    f.exportMs = median(exports);
    return f;
}

// Enciphers page `number` of the AES-256 standard test file (its password
// hash not spun) as Access does: AES-256 in ECB mode under the block's key,
// X1 + X2 of H(H(salt + password) + block) (see OfficeEncryption.cpp).
class StandardAesEncipher {
public:
    StandardAesEncipher(std::span<const std::uint8_t> page0, const std::string& password) {
        const std::uint8_t* info = page0.data() + 0x299 + 2;
        const std::size_t saltAt = 12 + jet::readU32(info + 8) + 4;
        std::vector<std::uint8_t> seed(info + saltAt, info + saltAt + 16);
        for (const char c : password) {  // UTF-16 of an ASCII password
            seed.push_back(static_cast<std::uint8_t>(c));
            seed.push_back(0);
        }
        base_ = sha1(seed);
    }
    void operator()(std::uint32_t block, std::span<std::uint8_t> page) const {
        std::vector<std::uint8_t> input = base_;
        input.resize(24);
        jet::writeU32(&input[20], block);
        const auto final = sha1(input);
        std::vector<std::uint8_t> inner(64, 0x36), outer(64, 0x5C);
        for (std::size_t n = 0; n < final.size(); ++n) {
            inner[n] ^= final[n];
            outer[n] ^= final[n];
        }
        std::vector<std::uint8_t> key = sha1(inner);
        const auto x2 = sha1(outer);
        key.insert(key.end(), x2.begin(), x2.end());
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        int out = 0;
        const bool ok = ctx && EVP_EncryptInit_ex(ctx, EVP_aes_256_ecb(), nullptr, key.data(), nullptr) == 1 &&
                        EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
                        EVP_EncryptUpdate(ctx, page.data(), &out, page.data(), static_cast<int>(page.size())) == 1;
        EVP_CIPHER_CTX_free(ctx);
        if (!ok)
            throw std::runtime_error("a page could not be enciphered");
    }

private:
    static std::vector<std::uint8_t> sha1(const std::vector<std::uint8_t>& data) {
        std::vector<std::uint8_t> out(20);
        EVP_Digest(data.data(), data.size(), out.data(), nullptr, EVP_sha1(), nullptr);
        return out;
    }
    std::vector<std::uint8_t> base_;
};

// Enciphers page `number` of an agile file as Access does: AES-CBC under
// the file's secret key, unlocked here from the password (the key
// encryptor's H(salt + password) spun spinCount times, then H(Hn + block
// key) the key of encryptedKeyValue), the page's IV H(keyData salt + block)
// cut to the cipher's block.
class AgileEncipher {
public:
    AgileEncipher(std::span<const std::uint8_t> page0, const std::string& password) {
        const std::size_t length = jet::readU16(&page0[0x299]);
        const std::string xml(reinterpret_cast<const char*>(page0.data()) + 0x299 + 2 + 8, length - 8);
        const EVP_MD* keyMd = hash(attribute(xml, "p:encryptedKey", "hashAlgorithm"));
        md_ = hash(attribute(xml, "keyData", "hashAlgorithm"));
        salt_ = base64(attribute(xml, "keyData", "saltValue"));
        const auto keySalt = base64(attribute(xml, "p:encryptedKey", "saltValue"));
        const std::size_t keyBytes = std::stoul(attribute(xml, "p:encryptedKey", "keyBits")) / 8;
        std::vector<std::uint8_t> h = keySalt;
        for (const char c : password) {  // UTF-16 of an ASCII password
            h.push_back(static_cast<std::uint8_t>(c));
            h.push_back(0);
        }
        h = digest(keyMd, h);
        const std::uint32_t spins = static_cast<std::uint32_t>(std::stoul(attribute(xml, "p:encryptedKey", "spinCount")));
        for (std::uint32_t i = 0; i < spins; ++i) {
            std::vector<std::uint8_t> input(4);
            jet::writeU32(input.data(), i);
            input.insert(input.end(), h.begin(), h.end());
            h = digest(keyMd, input);
        }
        h.insert(h.end(), {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6});  // the secret key's block key
        std::vector<std::uint8_t> key = digest(keyMd, h), iv = keySalt;
        key.resize(keyBytes, 0x36);
        iv.resize(16, 0x36);
        secret_ = base64(attribute(xml, "p:encryptedKey", "encryptedKeyValue"));
        crypt(key, iv, secret_, false);
        secret_.resize(std::stoul(attribute(xml, "keyData", "keyBits")) / 8);
    }
    void operator()(std::uint32_t block, std::span<std::uint8_t> page) const {
        std::vector<std::uint8_t> iv = salt_;
        iv.resize(iv.size() + 4);
        jet::writeU32(&iv[iv.size() - 4], block);
        iv = digest(md_, iv);
        iv.resize(16, 0x36);
        crypt(secret_, iv, page, true);
    }

private:
    static std::string attribute(const std::string& xml, const std::string& element, const std::string& name) {
        const std::size_t at = xml.find("<" + element + " ");
        const std::size_t from = xml.find(" " + name + "=\"", at);
        if (at == std::string::npos || from == std::string::npos)
            throw std::runtime_error("the agile encryption info has no " + name);
        const std::size_t start = from + name.size() + 3;
        return xml.substr(start, xml.find('"', start) - start);
    }
    static std::vector<std::uint8_t> base64(const std::string& text) {
        std::vector<std::uint8_t> out(text.size());
        const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                      static_cast<int>(text.size()));
        out.resize(static_cast<std::size_t>(std::max(n, 0)) - static_cast<std::size_t>(std::count(text.begin(), text.end(), '=')));
        return out;
    }
    static const EVP_MD* hash(const std::string& name) {
        return name == "SHA512" ? EVP_sha512() : name == "SHA256" ? EVP_sha256() : name == "SHA384" ? EVP_sha384() : EVP_sha1();
    }
    static std::vector<std::uint8_t> digest(const EVP_MD* md, const std::vector<std::uint8_t>& data) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(EVP_MD_get_size(md)));
        EVP_Digest(data.data(), data.size(), out.data(), nullptr, md, nullptr);
        return out;
    }
    static void crypt(std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv, std::span<std::uint8_t> data,
                      bool encipher) {
        const EVP_CIPHER* cipher = key.size() == 32 ? EVP_aes_256_cbc() : key.size() == 24 ? EVP_aes_192_cbc() : EVP_aes_128_cbc();
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        int out = 0;
        const bool ok = ctx && EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), iv.data(), encipher ? 1 : 0) == 1 &&
                        EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
                        EVP_CipherUpdate(ctx, data.data(), &out, data.data(), static_cast<int>(data.size())) == 1;
        EVP_CIPHER_CTX_free(ctx);
        if (!ok)
            throw std::runtime_error("a page could not be enciphered");
    }

    const EVP_MD* md_ = nullptr;
    std::vector<std::uint8_t> salt_, secret_;
};

struct EncryptedSubject {
    const char *file, *password, *table, *kind;
};

// The test file with `rows` rows more, plain and encrypted; the two exports
// timed. The file is deciphered, given a plain header and the rows, and
// enciphered again: RC4 by its own cipher (which enciphers as it deciphers),
// AES by StandardAesEncipher, checked to give the file's own pages back.
void wholeTable(const EncryptedSubject& subject, int rows) {
    namespace fs = std::filesystem;
    const std::string source = std::string(RAVELIN_TESTDATA) + "/encrypted/" + subject.file;
    const fs::path scratch = fs::temp_directory_path() / ("ravelin-bench-crypto-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    const std::string plainPath = (scratch / "plain.accdb").string(), encPath = (scratch / "encrypted.accdb").string();
    const std::vector<std::uint8_t> original = readAll(source);
    std::vector<std::uint8_t> bytes = original;
    const std::span<std::uint8_t> head(bytes.data(), 4096);
    const auto header = *jet::decodeHeader(head);
    const auto cipher = jet::officePageCipher(head, header, subject.password, source);
    applyCipher(bytes, *cipher, 4096);
    const bool rc4 = std::string_view(subject.kind).find("RC4") != std::string_view::npos;
    const bool agile = std::string_view(subject.kind).starts_with("agile");
    const std::optional<StandardAesEncipher> aes =
        rc4 || agile ? std::nullopt : std::optional<StandardAesEncipher>(std::in_place, head, subject.password);
    const std::optional<AgileEncipher> agileAes =
        agile ? std::optional<AgileEncipher>(std::in_place, head, subject.password) : std::nullopt;
    const auto encipher = [&](std::vector<std::uint8_t>& image) {
        if (rc4)
            applyCipher(image, *cipher, 4096);
        else if (agileAes)
            for (std::size_t p = 1; (p + 1) * 4096 <= image.size(); ++p)
                (*agileAes)(static_cast<std::uint32_t>(p) ^ header.databaseKey, std::span(image).subspan(p * 4096, 4096));
        else
            for (std::size_t p = 1; (p + 1) * 4096 <= image.size(); ++p)
                (*aes)(static_cast<std::uint32_t>(p) ^ header.databaseKey, std::span(image).subspan(p * 4096, 4096));
    };
    std::vector<std::uint8_t> again = bytes;
    encipher(again);
    if (again != original)
        throw std::runtime_error(std::string(subject.file) + ": enciphering its plain pages does not give them back");
    const std::vector<std::uint8_t> encryptedHead(head.begin(), head.end());
    makePlainHeader(head);
    writeAll(plainPath, bytes);
    jet::runStore(plainPath, [&](jet::PageStore& pages) {
        jet::TableWriter writer(pages, subject.table);
        for (int n = 0; n < rows; ++n)
            writer.insert({jet::Value(), jet::Value::text("row " + std::to_string(n) + " of the encrypted table")});
    });
    bytes = readAll(plainPath);
    encipher(bytes);
    const std::size_t area = jet::kHeaderCipherAt;  // the original key and password back
    std::copy_n(encryptedHead.begin() + area, jet::headerCipherLength(false), bytes.begin() + area);
    writeAll(encPath, bytes);

    const ExportFigures plain = timeExport(plainPath, {}, subject.table, 15),
                        enc = timeExport(encPath, subject.password, subject.table, 15);
    if (std::getenv("RAVELIN_BENCH_KEEP"))
        std::printf("kept %s\n", scratch.c_str());
    else
        fs::remove_all(scratch);
    if (plain.rows < static_cast<std::size_t>(rows) || enc.csv != plain.csv)
        throw std::runtime_error(std::string(subject.file) + ": the encrypted table exported " +
                                 std::to_string(enc.rows) + " rows, the plain one " + std::to_string(plain.rows) +
                                 (enc.csv != plain.csv ? ", not the same CSV" : ""));
    std::printf("%-22s %-24s %8zu %6zu %9.2f ms %9.2f ms %6.2fx %9.2f ms\n", subject.file, subject.kind, plain.rows,
                bytes.size() / 4096 - 1, plain.exportMs, enc.exportMs, enc.exportMs / plain.exportMs, enc.openMs);
}

}  // namespace

int main(int argc, char** argv) {
    struct File {
        const char *name, *password, *kind;
    };
    const File files[] = {{"db2007-oldenc.accdb", "Test123", "standard RC4 40-bit"},
                          {"db-nonstandard.accdb", "password", "standard AES-256"},
                          {"db2007-enc.accdb", "Test123", "agile AES-128, SHA-1"},
                          {"db2013-enc.accdb", "1234", "agile AES-256, SHA-512"}};
    std::printf("%-22s %-24s %6s %12s %12s %12s %7s\n", "file", "encryption", "pages", "key (once)", "plain/page",
                "cipher/page", "ratio");
    try {
        for (const File& f : files) {
            const std::string path = std::string(RAVELIN_TESTDATA) + "/encrypted/" + f.name;
            std::vector<std::uint8_t> head(4096);
            jet::openFileSource(path)->read(0, head);
            const auto header = *jet::decodeHeader(head);
            const auto t0 = Clock::now();
            auto cipher = jet::officePageCipher(head, header, f.password, path);
            const double keyMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            jet::DatabaseHeader plainHeader = header;
            plainHeader.databaseKey = 0;  // no deciphering at all
            const jet::Pager plain(jet::openFileSource(path), path, plainHeader);
            const jet::Pager enciphered(jet::openFileSource(path), path, header, std::move(cipher));
            if (plain.pageCount() < 2)
                throw std::runtime_error(path + " holds no pages to read");
            const double a = perPage(plain, 201), b = perPage(enciphered, 201);
            std::printf("%-22s %-24s %6u %9.2f ms %9.2f us %9.2f us %6.2fx\n", f.name, f.kind, plain.pageCount() - 1,
                        keyMs, a, b, b / a);
        }
        const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
        std::printf("\nExport of a table as CSV in memory, plain and encrypted, median of 15 (open apart):\n"
                    "%-22s %-24s %8s %6s %12s %12s %7s %12s\n",
                    "file", "encryption", "rows", "pages", "plain", "encrypted", "ratio", "open (key)");
        wholeTable({"db2007-oldenc.accdb", "Test123", "Table1", "standard RC4 40-bit"}, rows);
        wholeTable({"db-nonstandard.accdb", "password", "Table_One", "standard AES-256"}, rows);
        wholeTable({"db2007-enc.accdb", "Test123", "Table1", "agile AES-128, SHA-1"}, rows);
        wholeTable({"db2013-enc.accdb", "1234", "Customers", "agile AES-256, SHA-512"}, rows);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ravelin-bench-crypto: %s\n", e.what());
        return 1;
    }
    return 0;
}
