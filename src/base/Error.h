#pragma once
// The one failure type of the program. The core throws it at the failing
// operation and lets it go: the window's event guard catches it and shows
// its message. Two places catch it on purpose and go on: the directory
// memory, which must never stop an open, and the batch tool, which reports
// a failed command or file and carries on with the next.

#include <exception>
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
    Index,     // an atom index that names no atom
    Recipe,    // a recipe line that is not a command
    Format,    // a file whose content does not fit the format it was read as
    Symmetry,  // a point group not found, or a symmetry command refused
};

class Error : public std::exception {
  public:
    Error(ErrorKind kind, std::string message, int errnum = 0)
        : kind_(kind), errnum_(errnum), message_(std::move(message)) {}
    ErrorKind Kind() const { return kind_; }
    // errno of a file error, 0 for the other kinds.
    int Errnum() const { return errnum_; }
    // The complete message, UTF-8; it may quote bytes of a file, NUL included.
    const std::string& Message() const { return message_; }
    // Plain English that says what happened and what to do, shown under the
    // message (the error box's informative text); empty when there is none.
    // The message itself never changes for it.
    const std::string& Detail() const { return detail_; }
    Error& WithDetail(std::string detail) & {
        detail_ = std::move(detail);
        return *this;
    }
    Error&& WithDetail(std::string detail) && {
        detail_ = std::move(detail);
        return std::move(*this);
    }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    ErrorKind kind_;
    int errnum_;
    std::string message_;
    std::string detail_;
};

// "'text' は浮動小数点数ではありません", quoting the bytes of text exactly.
Error ConversionError(std::string_view text);
// The floating-point failures and the memory failure with their messages.
Error FloatError(ErrorKind kind);
Error OutOfMemoryError();

// The text the error box shows: a full stop is added when the message is not
// empty and its last byte comes after "." (code 46); UTF-8 continuation
// bytes of a Japanese character all do.
std::string WithFullStop(const std::string& message);

}  // namespace pivora
