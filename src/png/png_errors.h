#pragma once
// The PNG reader's exception classes and their fixed messages. Every class
// derives directly from Exception; every error is raised through
// RaisePngError.

#include <string>
#include <utility>

#include "graphics/exception.h"

namespace nivarra {

NIVARRA_DECLARE_EXCEPTION(EPngError, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGInvalidFileHeader, Exception);
NIVARRA_DECLARE_EXCEPTION(EPngUnexpectedEnd, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGIHDRNotFirst, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGUnknownCriticalChunk, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGNoImageData, Exception);
NIVARRA_DECLARE_EXCEPTION(EPngInvalidCRC, Exception);
NIVARRA_DECLARE_EXCEPTION(EPngInvalidIHDR, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGSizeExceeds, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGUnknownCompression, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGUnknownInterlace, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGInvalidPalette, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGHeaderNotPresent, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGMissingMultipleIDAT, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGZLIBError, Exception);
NIVARRA_DECLARE_EXCEPTION(EPNGOutMemory, Exception);

// The reader's string table.
namespace png_text {
inline constexpr const char* kInvalidFileHeader =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it "
    "contains an invalid header. This file may be corruped, try obtaining it again.";
inline constexpr const char* kUnexpectedEnd =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an "
    "unexpected end of the file.";
inline constexpr const char* kIHDRNotFirst =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
    "(IHDR chunk is not the first)";
inline constexpr const char* kUnknownCriticalChunk =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could "
    "not be decoded.";
inline constexpr const char* kNoImageData =
    "This \"Portable Network Graphics\" image contains no data.";
inline constexpr const char* kInvalidCRC =
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces "
    "of data (crc error)";
inline constexpr const char* kInvalidIHDR =
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece "
    "of data (ihdr) might be corrupted";
inline constexpr const char* kSizeExceeds =
    "This \"Portable Network Graphics\" image is not supported because either it's width or "
    "height exceeds the maximum size, which is 65535 pixels length.";
inline constexpr const char* kUnknownCompression =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme "
    "which could not be decoded.";
inline constexpr const char* kUnknownInterlace =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not "
    "be decoded.";
inline constexpr const char* kInvalidPalette =
    "The \"Portable Network Graphics\" image contains an invalid palette.";
inline constexpr const char* kNoSuchPaletteEntry = "There is no such palette entry.";
inline constexpr const char* kChunksNotCompatible =
    "The chunks must be compatible to be assigned.";
inline constexpr const char* kCannotResize =
    "The \"Portable Network Graphics\" image can not be resize by changing width and height "
    "properties. Try assigning the image from a bitmap.";
inline constexpr const char* kHeaderNotPresent =
    "This operation is not valid because the current image contains no valid header.";
inline constexpr const char* kMissingMultipleIDAT =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
inline constexpr const char* kZlibError =
    "Could not decompress the image because it contains invalid compressed data.\r\n"
    " Description: ";
inline constexpr const char* kOutMemory =
    "Some operation could not be performed because the system is out of resources. Close some "
    "windows and try again.";
// Our own: a chunk length of 2^31 or more, beyond the format's limit.
inline constexpr const char* kChunkTooLong =
    "This \"Portable Network Graphics\" image contains a chunk longer than the format allows.";
}  // namespace png_text

template <class E>
[[noreturn]] void RaisePngError(std::string message) {
  throw E(std::move(message));
}

// "data error (-3)" and its siblings, by inflate result.
std::string ZlibErrorText(int result);

}  // namespace nivarra
