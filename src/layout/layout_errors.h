#pragma once
// The exception classes of the layout reader, the component model and the
// bitmap graphic, with their fixed message texts.

#include <string>

#include "graphics/exception.h"

namespace nivarra {

NIVARRA_DECLARE_EXCEPTION(EStreamError, Exception);
NIVARRA_DECLARE_EXCEPTION(EFilerError, EStreamError);
NIVARRA_DECLARE_EXCEPTION(EReadError, EFilerError);
NIVARRA_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
NIVARRA_DECLARE_EXCEPTION(EResNotFound, Exception);
NIVARRA_DECLARE_EXCEPTION(EComponentError, Exception);
NIVARRA_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
NIVARRA_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
NIVARRA_DECLARE_EXCEPTION(EOSError, Exception);

namespace layout_text {
inline constexpr const char* kInvalidStreamFormat = "Invalid stream format";
inline constexpr const char* kStreamReadError = "Stream read error";
inline constexpr const char* kInvalidPropertyValue = "Invalid property value";
inline constexpr const char* kPropertyDoesNotExist = "Property %s does not exist";
inline constexpr const char* kInvalidPropertyPath = "Invalid property path";
inline constexpr const char* kPropertyReadOnly = "Property is read-only";
inline constexpr const char* kErrorReading = "Error reading %s%s%s: %s";
inline constexpr const char* kAncestorNotFound = "Ancestor for '%s' not found";
inline constexpr const char* kClassNotFound = "Class %s not found";
inline constexpr const char* kResourceNotFound = "Resource %s not found";
inline constexpr const char* kInvalidComponentName = "''%s'' is not a valid component name";
inline constexpr const char* kDuplicateName = "A component named %s already exists";
inline constexpr const char* kBitmapNotValid = "Bitmap image is not valid";
inline constexpr const char* kInvalidPixelFormat = "Invalid pixel format";
inline constexpr const char* kScanLineOutOfRange = "Scan line index out of range";
}  // namespace layout_text

// Fills the %s places of a message text in order; further %s stay as they are.
std::string FormatMessage(const char* text, std::initializer_list<std::string> arguments);

}  // namespace nivarra
