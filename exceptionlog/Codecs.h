#pragma once

// Codecs of the exception log: whole-buffer zlib compression, Base64, MD5,
// the block cipher of the data block's encrypted part, CRC-32, a gzip
// reader and the writer of ".tgz" attachment archives. Byte buffers are
// std::string (bytes, not text).

#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class TMemoryStream;
class TStream;

/// A failure of compression or decompression; the message is zlib's text
/// for its code, or one of ours for damaged gzip data or output past a cap.
PRICETAGS_EXCEPTION(EZLibError, Exception);

/// The most bytes a decompression produces unless the caller says otherwise
/// (far above any options stream or attachment the log makes).
inline constexpr size_t DefaultInflateLimit = size_t(64) << 20;

/// A zlib stream (RFC 1950) of the bytes at Level (0 stores them, for bytes
/// packed already). Raises EZLibError.
[[nodiscard]] std::string CompressBuffer(const void* Input, size_t Length, int Level = 9);
/// The bytes of a zlib stream. Raises EZLibError with zlib's text for
/// damaged or cut input, and "Decompressed data exceed the limit" when the
/// output would pass MaxOutput bytes.
[[nodiscard]] std::string DecompressBuffer(const void* Input, size_t Length,
                                           size_t MaxOutput = DefaultInflateLimit);

/// Base64 (standard alphabet, '=' padding, no line breaks).
[[nodiscard]] AnsiString Base64Encode(const AnsiString& Text);
[[nodiscard]] AnsiString Base64EncodeBuffer(const void* Buffer, size_t Length);
/// 4 * ceil(N / 3).
[[nodiscard]] size_t Base64Length(size_t N);

/// The 16-byte MD5 digest (RFC 1321).
struct MD5Digest {
    uint8_t Bytes[16] = {};
};
[[nodiscard]] MD5Digest MD5(const void* Buffer, size_t Length);

/// The cipher of the data block's encrypted part: a TEA-like round that is
/// not the published TEA, keyed by the MD5 digest of a password. It hides
/// the names from a casual look and nothing more: the key has no salt and
/// the check value is a known constant, so a password can be guessed
/// offline at MD5 speed. Stored blocks rely on it; never use it to protect
/// anything.
struct TEAKey {
    uint32_t K[4] = {};
};
/// The key of a password: its MD5 digest read as four big-endian words.
[[nodiscard]] TEAKey TEASetKey(const AnsiString& Password);
/// One 8-byte block, two big-endian words, enciphered / deciphered in place.
void TEAEncryptBlock(const TEAKey& Key, uint8_t Block[8]);
void TEADecryptBlock(const TEAKey& Key, uint8_t Block[8]);
/// The chained mode (chain starting at eight 0xFF bytes; a last partial
/// block XORed with the enciphered chain). Output may equal Input.
void TEADecrypt(const TEAKey& Key, const void* Input, void* Output, size_t Length);
/// The inverse of TEADecrypt (writes blocks that TEADecrypt reads back).
void TEAEncrypt(const TEAKey& Key, const void* Input, void* Output, size_t Length);

/// CRC-32 of gzip (reflected 0xEDB88320, start and final inversion).
[[nodiscard]] uint32_t CRC32(const void* Buffer, size_t Length);

/// Reads a gzip file (RFC 1952) from Input's position to its end and writes
/// the data to Output. Raises EZLibError for a bad header, damaged deflate
/// data, a CRC or length that does not match, or output past MaxOutput.
void GunzipStream(TStream* Input, TStream* Output, size_t MaxOutput = DefaultInflateLimit);

/// Packs files into a tar archive and writes it gzip-compressed to FileName.
/// Entries are regular files of mode 0644 with their modification time in
/// UTC; the archive ends with two zero blocks, so tar and other readers take
/// it without a warning.
class TTGZWriter : public TObject {
    PRICETAGS_CLASS(TTGZWriter, TObject)
public:
    explicit TTGZWriter(const AnsiString& FileName);
    /// Writes the file when Finish was not called; a failure there is
    /// written to stderr (call Finish to see it as an exception).
    ~TTGZWriter() override;

    /// Appends Path's bytes as entry Name ('' = Path's name without folder).
    /// Raises the stream errors of reading the file (EFOpenError).
    void AddFile(const AnsiString& Path, const AnsiString& Name = AnsiString());
    /// Closes the archive and writes FileName (created or replaced); raises
    /// EFCreateError / EWriteError. Later calls do nothing.
    void Finish();

    /// The 512-byte header of one entry (for tests and the archive itself).
    [[nodiscard]] static std::string MakeHeader(const AnsiString& Name, int64_t Size,
                                                int64_t UnixTime);

private:
    std::unique_ptr<TMemoryStream> Stream;
    AnsiString FileName;
    bool FFinished = false;
};
