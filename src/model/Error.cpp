#include "model/Error.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "model/FileIo.h"

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

std::string FileErrorMessage(int errnum, bool directoryExists) {
    switch (errnum) {
        case ENOENT:
            return directoryExists ? "ファイルが見つかりません"
                                   : "ファイル名の指定が間違っています";
        case ENOTDIR:
            return "ファイル名の指定が間違っています";
        case EMFILE:
        case ENFILE:
            return "オープンしたファイルが多すぎます";
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return "ファイルへのアクセスが拒否されました";
        default: {
            char text[40];
            std::snprintf(text, sizeof text, "I/O エラー (%d)", errnum);
            return text;
        }
    }
}

Error FileError(int errnum, const std::string& path) {
    bool directoryExists = true;
    if (errnum == ENOENT) {
        std::string dir = DirectoryPart(path);
        if (dir.empty()) dir.push_back('.');
        struct stat st;
        directoryExists = ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    return Error(ErrorKind::File, FileErrorMessage(errnum, directoryExists), errnum);
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
