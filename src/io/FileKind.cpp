#include "io/FileKind.h"

#include <cstring>
#include <vector>

#include "base/Error.h"
#include "files/FileIo.h"
#include "io/FormatText.h"
#include "io/Formats.h"

namespace pivora::io {
namespace {

constexpr char kEndOfFileMark = 26;

// The lines of head by the line rules of the reader (FileIo.h): LF ends a
// line, CR bytes are dropped, byte 26 ends the file at a line start and the
// line's text inside one. A cut last line of an incomplete head is left out,
// except when it is the only line.
std::vector<std::string> HeadLines(std::string_view head, bool complete) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < head.size() && head[pos] != kEndOfFileMark) {
        const std::size_t lf = head.find('\n', pos);
        if (lf == std::string_view::npos && !complete && !lines.empty()) break;
        const std::size_t end = lf == std::string_view::npos ? head.size() : lf;
        std::string line;
        for (std::size_t i = pos; i < end && head[i] != kEndOfFileMark; ++i)
            if (head[i] != '\r') line += head[i];
        lines.push_back(std::move(line));
        pos = lf == std::string_view::npos ? head.size() : lf + 1;
    }
    return lines;
}

std::string Extension(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return Lower(name.substr(dot + 1));
}

// A Link 0 command: "%chk=a.chk", "%mem=4GB". ORCA's % blocks ("%pal nprocs
// 4 end", "%maxcore 3000") set nothing with "=" in their first word.
bool IsLinkZeroLine(std::string_view line) {
    std::string_view f[1];
    return StartsWith(line, '%') && SplitFields(line, f, 1) >= 1 &&
           f[0].find('=') != std::string_view::npos;
}

bool IsGaussianInputShape(const std::vector<std::string>& lines) {
    // The route is the first line that is not blank, Link 0, a comment or
    // the "--Link1--" of a job that continues another.
    for (const std::string& line : lines) {
        if (IsLinkZeroLine(line)) return true;
        if (IsBlankLine(line) || StartsWith(line, '%') || StartsWith(line, '!') ||
            IsGaussianLinkOneLine(line))
            continue;
        return StartsWith(line, '#');
    }
    return false;
}

bool HasOrcaKeywordLine(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (StartsWith(line, '!')) return true;
    return false;
}

bool IsMopacShape(const std::vector<std::string>& lines, bool hinted) {
    std::vector<std::string_view> views(lines.begin(), lines.end());
    const std::size_t header = MopacHeaderLines(views);
    if (header < lines.size() && !IsBlankLine(lines[header]))
        return IsMopacAtomLine(lines[header], hinted, true);
    // Keyword and title lines alone: a .mop file without its geometry.
    return hinted;
}

FileKind DetectFromLines(const std::vector<std::string>& lines, const std::string& ext) {
    if (lines.empty()) return FileKind::Headerless;
    const std::string& first = lines[0];
    if (IsMopacAtomLine(first, false)) return FileKind::Mopac;
    if (IsIndentedTable(lines)) return FileKind::Indented;
    if (IsHeaderlessLine(first)) return FileKind::Headerless;

    // From here the headerless reader would fail on line 1, so any kind
    // chosen only trades that failure for a read or a clearer failure.
    if (IsXyzCountLine(first)) return FileKind::Xyz;
    if (IsSingleField(first) && (ext == "xyz" || (lines.size() > 2 && IsXyzAtomLine(lines[2]))))
        return FileKind::Xyz;
    for (const std::string& line : lines) {
        if (IsGaussianOutputMark(line)) return FileKind::GaussianOutput;
        if (IsOrcaOutputMark(line)) return FileKind::OrcaOutput;
        if (IsMopacArchiveMark(line)) return FileKind::MopacArchive;
        if (IsTurbomoleCoordStart(line)) return FileKind::TurbomoleCoord;
    }
    for (const std::string& line : lines)
        if (OrcaBlockStart(line) != OrcaBlock::None) return FileKind::OrcaInput;
    // An ORCA comment begins with "#" like a Gaussian route and Gaussian
    // takes "!" comments like ORCA's keyword lines: the extension decides.
    const bool orcaFirst = ext == "inp";
    if (orcaFirst && HasOrcaKeywordLine(lines)) return FileKind::OrcaInput;
    if (IsGaussianInputShape(lines)) return FileKind::GaussianInput;
    if (HasOrcaKeywordLine(lines)) return FileKind::OrcaInput;
    if (IsMopacShape(lines, ext == "mop")) return FileKind::Mopac;
    return FileKind::Headerless;
}

}  // namespace

std::string_view KindName(FileKind kind) {
    switch (kind) {
        case FileKind::Headerless:
            return "plain coordinates (label x y z)";
        case FileKind::Xyz:
            return "standard XYZ";
        case FileKind::GaussianInput:
            return "Gaussian input";
        case FileKind::OrcaInput:
            return "ORCA input";
        case FileKind::GaussianOutput:
            return "Gaussian output";
        case FileKind::OrcaOutput:
            return "ORCA output";
        case FileKind::Mopac:
            return "MOPAC geometry";
        case FileKind::Indented:
            return "indented coordinates (label or atomic number, x, y, z)";
        case FileKind::MopacArchive:
            return "MOPAC archive";
        case FileKind::TurbomoleCoord:
            return "Turbomole coord";
    }
    return "unknown";
}

bool HoldsBinaryBytes(std::string_view head) {
    for (const char c : head) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 32 && b != '\t' && b != '\n' && b != '\v' && b != '\f' && b != '\r' && b != 26 &&
            b != 27)
            return true;
    }
    return false;
}

FileKind DetectKind(std::string_view head, std::string_view name, bool complete) {
    // A first line longer than the head cannot be judged from its start.
    if (!complete && head.find('\n') == std::string_view::npos) return FileKind::Headerless;
    // Bytes of no text: whatever marks they seem to carry are chance.
    if (HoldsBinaryBytes(head)) return FileKind::Headerless;
    return DetectFromLines(HeadLines(head, complete), Extension(name));
}

FileKind DetectFileKind(const std::string& path) {
    InputFile file(path);
    bool binary = false;
    return DetectFileHead(file, binary);
}

FileKind DetectFileHead(InputFile& file, bool& binary) {
    // The reader's own checked open: a FIFO or a device is refused before a
    // byte is asked of it, where a plain open would wait for a writer.
    ByteReader reader(file);
    std::string head(kHeadBytes, '\0');
    std::size_t got = 0;
    bool complete = false;
    while (got < head.size()) {
        const std::size_t n = reader.Read(head.data() + got, head.size() - got);
        if (n == 0) {
            complete = true;
            break;
        }
        got += n;
    }
    head.resize(got);
    binary = HoldsBinaryBytes(head);
    return DetectKind(head, file.Path(), complete);
}

}  // namespace pivora::io
