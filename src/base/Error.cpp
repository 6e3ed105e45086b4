#include "base/Error.h"

namespace pivora {

Error ConversionError(std::string_view text) {
    std::string message;
    message.reserve(text.size() + 40);
    message += '\'';
    message += text;
    message += "' は浮動小数点数ではありません";
    return Error(ErrorKind::Conversion, std::move(message));
}

Error FloatError(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::DivideByZero:
            return Error(kind, "0 による浮動小数点数除算");
        case ErrorKind::Overflow:
            return Error(kind, "浮動小数点数のオーバーフロー");
        default:
            return Error(ErrorKind::InvalidOperation, "不正な浮動小数点数演算命令");
    }
}

Error OutOfMemoryError() {
    return Error(ErrorKind::OutOfMemory, "メモリが足りません");
}

std::string WithFullStop(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
        std::string text = message;
        text += '.';
        return text;
    }
    return message;
}

}  // namespace pivora
