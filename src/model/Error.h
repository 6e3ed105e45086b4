#pragma once
// The one failure type of the program. The core throws it at the failing
// operation; only the window's event guard catches it and shows its message.

#include <stdexcept>
#include <string>
#include <string_view>

namespace pivora {

enum class ErrorKind {
    Conversion,        // a text that is not a number
    File,              // a failed file operation; carries errno
    DivideByZero,      // floating-point division of a non-zero number by zero
    InvalidOperation,  // 0/0, an invalid operand, an out-of-range integer rounding
    Overflow,          // a result or a stored double beyond its range
    OutOfMemory,
    Index,  // an atom index that names no atom
};

class Error : public std::runtime_error {
  public:
    Error(ErrorKind kind, std::string message, int errnum = 0)
        : std::runtime_error(message), kind_(kind), errnum_(errnum), message_(std::move(message)) {}
    ErrorKind kind() const { return kind_; }
    // errno of a file error, 0 for the other kinds.
    int errnum() const { return errnum_; }
    // The complete message, UTF-8; it may quote bytes of a file, NUL included.
    const std::string& message() const { return message_; }

  private:
    ErrorKind kind_;
    int errnum_;
    std::string message_;
};

// "'text' は浮動小数点数ではありません", quoting the bytes of text exactly.
Error ConversionError(std::string_view text);
// The floating-point failures and the memory failure with their messages.
Error FloatError(ErrorKind kind);
Error OutOfMemoryError();

// Message for a file error number. directoryExists tells an ENOENT for a
// missing file from one for a missing directory on the path.
std::string FileErrorMessage(int errnum, bool directoryExists);
// The file error for errno errnum on path: for ENOENT it looks whether the
// directory part of path exists.
Error FileError(int errnum, const std::string& path);

// The text the error box shows: a full stop is added when the message is not
// empty and its last byte comes after "." (code 46); UTF-8 continuation
// bytes of a Japanese character all do.
std::string WithFullStop(const std::string& message);

}  // namespace pivora
