#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "base/Error.h"
#include "files/FileIo.h"
#include "numeric/Extended.h"
#include "support/ErrorCheck.h"
#include "support/TempDir.h"

namespace pivora {
namespace {

struct ErrnoCase {
    int errnum;
    bool directoryExists;
    const char* message;
};

TEST(ErrorTest, MapsErrnoToMessages) {
    const ErrnoCase cases[] = {
        {ENOENT, true, "ファイルが見つかりません"},
        {ENOENT, false, "ファイル名の指定が間違っています"},
        {ENOTDIR, true, "ファイル名の指定が間違っています"},
        {EMFILE, true, "オープンしたファイルが多すぎます"},
        {ENFILE, true, "オープンしたファイルが多すぎます"},
        {EACCES, true, "ファイルへのアクセスが拒否されました"},
        {EPERM, true, "ファイルへのアクセスが拒否されました"},
        {EISDIR, true, "ファイルへのアクセスが拒否されました"},
        {EROFS, true, "ファイルへのアクセスが拒否されました"},
        {ENOSPC, true, "I/O エラー (28)"},
        {EPIPE, true, "I/O エラー (32)"},
        {EIO, true, "I/O エラー (5)"},
    };
    for (const ErrnoCase& c : cases) {
        SCOPED_TRACE(c.errnum);
        EXPECT_EQ(FileErrorMessage(c.errnum, c.directoryExists), c.message);
    }
}

// The numbers a user meets, which the message gives only as "I/O エラー (N)",
// are explained in English under it; the message stays as it is, and the
// numbers with a message of their own need no explanation.
TEST(ErrorTest, RawFileErrorNumbersAreExplained) {
    for (const int errnum : {ENOSPC, EDQUOT, EFBIG, ELOOP, ENAMETOOLONG, ENXIO, EIO}) {
        SCOPED_TRACE(errnum);
        const Error e = FileError(errnum, "/data/mol.xyz");
        EXPECT_EQ(e.Message(), "I/O エラー (" + std::to_string(errnum) + ")");
        EXPECT_EQ(e.Errnum(), errnum);
        EXPECT_GT(e.Detail().size(), 20u);
        for (const char c : e.Detail()) EXPECT_TRUE(c >= ' ' && c < 127) << e.Detail();
    }
    for (const int errnum : {ENOENT, EACCES, EMFILE})
        EXPECT_EQ(FileError(errnum, "/").Detail(), "");
}

TEST(ErrorTest, FileErrorLooksAtTheDirectoryOfAMissingFile) {
    test::TempDir dir;
    const Error missingFile = FileError(ENOENT, dir.File("absent.xyz"));
    EXPECT_EQ(missingFile.Message(), "ファイルが見つかりません");
    EXPECT_EQ(missingFile.Kind(), ErrorKind::File);
    EXPECT_EQ(missingFile.Errnum(), ENOENT);
    EXPECT_EQ(FileError(ENOENT, dir.File("no/such/dir/a.xyz")).Message(),
              "ファイル名の指定が間違っています");
    EXPECT_EQ(FileError(ENOENT, "relative-name-only").Message(), "ファイルが見つかりません");
}

struct FloatCase {
    ErrorKind kind;
    const char* message;
};

TEST(ErrorTest, FloatingPointMessages) {
    const FloatCase cases[] = {
        {ErrorKind::DivideByZero, "0 による浮動小数点数除算"},
        {ErrorKind::InvalidOperation, "不正な浮動小数点数演算命令"},
        {ErrorKind::Overflow, "浮動小数点数のオーバーフロー"},
    };
    for (const FloatCase& c : cases) {
        EXPECT_EQ(FloatError(c.kind).Message(), c.message);
        EXPECT_EQ(FloatError(c.kind).Kind(), c.kind);
    }
    EXPECT_EQ(OutOfMemoryError().Message(), "メモリが足りません");
}

TEST(ErrorTest, FlagTestsRaiseTheMatchingErrorAndClear) {
    volatile long double zero = 0.0L;
    volatile long double one = 1.0L;
    volatile long double huge = 1e4900L;
    struct Step {
        long double (*compute)(long double, long double, long double);
        ErrorKind kind;
        const char* message;
    };
    const Step steps[] = {
        {[](long double z, long double, long double) { return z / z; }, ErrorKind::InvalidOperation,
         "不正な浮動小数点数演算命令"},
        {[](long double z, long double o, long double) { return o / z; }, ErrorKind::DivideByZero,
         "0 による浮動小数点数除算"},
        {[](long double, long double, long double h) { return h * h; }, ErrorKind::Overflow,
         "浮動小数点数のオーバーフロー"},
    };
    for (const Step& step : steps) {
        ClearFpFlags();
        Materialize(step.compute(zero, one, huge));
        SCOPED_TRACE(step.message);
        test::ExpectError([] { ThrowIfFpFlags(); }, step.kind, step.message);
        EXPECT_NO_THROW(ThrowIfFpFlags());  // nothing pending afterwards
    }
    ClearFpFlags();
    Materialize(one / 3.0L);  // inexact alone is no failure
    EXPECT_NO_THROW(ThrowIfFpFlags());
}

TEST(ErrorTest, FullStopRule) {
    const std::pair<const char*, const char*> cases[] = {
        {"ファイルが見つかりません", "ファイルが見つかりません."},
        {"I/O エラー (32)", "I/O エラー (32)"},
        {"Done.", "Done."},
        {"", ""},
        {"ends in blank ", "ends in blank "},
        {"abc", "abc."},
        {"x9", "x9."},
        {"'' は浮動小数点数ではありません", "'' は浮動小数点数ではありません."},
    };
    for (const auto& [message, shown] : cases) EXPECT_EQ(WithFullStop(message), shown);
}

}  // namespace
}  // namespace pivora
