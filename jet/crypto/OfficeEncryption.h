#pragma once
// Office encryption of .accdb files ("Encrypt with Password" of Access 2007
// and later). The header page keeps, after a 16-bit length at 0x299, an
// EncryptionInfo in one of two forms: standard (a binary header: RC4 with
// CryptoAPI keys, or AES) or agile (an XML descriptor: AES in CBC mode with
// SHA-1 or SHA-2 keys). Every page after the header page is enciphered on its
// own: its block number is its page number XOR the database key of the
// header, which gives the page's RC4 or AES key (standard) or its AES
// initialisation vector (agile). The header page itself is not enciphered
// beyond Jet's own RC4 of its fixed fields.
#include "jet/page/DatabaseHeader.h"
#include "jet/page/PageCipher.h"

#include <memory>
#include <span>
#include <string>

namespace jet {

// Whether the header page `page0` of a database with header `header` holds
// Office encryption: an ACE file with a database key and an EncryptionInfo.
bool hasOfficeEncryption(std::span<const std::uint8_t> page0, const DatabaseHeader& header);

// The cipher of an Office-encrypted database's pages, the key derived from
// `password` (UTF-8). Error InvalidPassword (3031) when the password is empty
// or does not open the file; NotADatabase (3343) when the encryption info is
// damaged or of a kind Ravelin does not read. `name` names the file.
std::unique_ptr<const PageCipher> officePageCipher(std::span<const std::uint8_t> page0, const DatabaseHeader& header,
                                                   const std::string& password, const std::string& name);

// The cipher of the pages after the header page of any database: Office
// encryption's (errors as officePageCipher), Jet's encoding for a database
// key without it; nullptr when the pages are plain.
std::shared_ptr<const PageCipher> databasePageCipher(std::span<const std::uint8_t> page0, const DatabaseHeader& header,
                                                     const std::string& password, const std::string& name);

}  // namespace jet
