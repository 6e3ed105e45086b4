#include "XyzReference.h"

#include <limits>

#include "io/FormatText.h"
#include "io/Formats.h"

namespace pivora::io {
namespace {

// The table holds AtomCount + 1 + kSpareSlots slots in a signed 32-bit count.
constexpr long long kMostAtoms = std::numeric_limits<std::int32_t>::max() - 1 - kSpareSlots;

struct Frame {
    std::int64_t countLine;  // number of the frame's count line
    std::int32_t atoms;
};

std::int32_t FrameAtoms(const FormatSource& source, std::string_view line, std::int64_t number) {
    if (!IsSingleField(line)) {
        source.Fail(number, "the atom count " + Quoted(TrimBlanks(line)) +
                                " should be one whole number on a line of its own");
    }
    const std::string_view count = TrimBlanks(line);
    if (!IsXyzCountLine(line))
        source.Fail(number, "the atom count " + Quoted(count) + " is not a whole number");
    long long atoms = 0;
    if (!ParseWhole(count, atoms) || atoms > kMostAtoms)
        source.Fail(number, "the atom count " + Quoted(count) + " is too large");
    return static_cast<std::int32_t>(atoms);
}

std::string CountHint(const Frame& frame) {
    return " (does the count " + std::to_string(frame.atoms) + " on line " +
           std::to_string(frame.countLine) + " match the atom lines of its frame?)";
}

// Reads the atoms of frame; src stands on the frame's count line.
AtomTable ParseFrame(const FormatSource& source, LineSource& src, const Frame& frame,
                     const AtomTable& previous) {
    AtomList atoms(static_cast<std::size_t>(frame.atoms), src.File());
    std::string_view line;
    if (!src.Skip()) source.Fail(frame.countLine, "the comment line after the count is missing");
    for (std::int32_t k = 1; k <= frame.atoms; ++k) {
        if (!src.Next(line)) {
            source.Fail(src.Number(), "the file ends after " + std::to_string(k - 1) +
                                          " atom lines" + CountHint(frame));
        }
        std::string_view f[4];
        const std::int64_t at = src.Number();
        const int n = SplitFields(line, f, 4);
        if (n < 4) {
            std::string what = n == 0
                                   ? "a blank line stands for atom " + std::to_string(k)
                                   : "the line " + Quoted(line) + " for atom " + std::to_string(k) +
                                         " does not hold a symbol and x, y, z";
            if (n <= 1) what += CountHint(frame);
            source.Fail(at, what);
        }
        const std::string_view label = source.AtomLabel(f[0], at);
        const double x = source.Coordinate(f[1], at, 'x');
        const double y = source.Coordinate(f[2], at, 'y');
        const double z = source.Coordinate(f[3], at, 'z');
        atoms.Add(label, x, y, z);
    }
    return std::move(atoms).Finish(previous);
}

}  // namespace

ReadResult ReadXyzLineByLine(const std::string& path, const AtomTable& previous) {
    ProgressMeter* const progress = nullptr;
    const FormatSource source(path, FileKind::Xyz);
    InputFile file(path);
    ReadResult result;
    Frame last{};
    std::int64_t frames = 0;
    {
        // One pass: the first frame is read as it comes; further frames are
        // only stepped over, and the last one is read in a second pass.
        LineSource src(file, progress);
        std::string_view line;
        if (!src.Next(line)) source.Fail(0, "the file is empty");
        last = {1, FrameAtoms(source, line, 1)};
        frames = 1;
        result.table = ParseFrame(source, src, last, previous);
        while (src.Next(line)) {
            if (IsBlankLine(line)) {
                // Blank lines may end the file, but not stand between frames.
                const std::int64_t blank = src.Number();
                while (src.Next(line)) {
                    if (!IsBlankLine(line)) {
                        source.Fail(src.Number(), "text follows the blank line " +
                                                      std::to_string(blank) +
                                                      " after the last frame" + CountHint(last));
                    }
                }
                break;
            }
            if (!IsSingleField(line)) {
                source.Fail(src.Number(),
                            "the next frame's atom count or the end of the file "
                            "should follow the atom lines, not " +
                                Quoted(line) + CountHint(last));
            }
            const Frame frame{src.Number(), FrameAtoms(source, line, src.Number())};
            if (!src.Skip()) {
                source.Fail(frame.countLine, "the comment line after the count is missing");
            }
            for (std::int32_t k = 0; k < frame.atoms; ++k) {
                if (!src.Skip()) {
                    source.Fail(src.Number(), "the file ends after " + std::to_string(k) +
                                                  " atom lines" + CountHint(frame));
                }
            }
            last = frame;
            ++frames;
        }
    }
    if (last.atoms == 0) source.Fail(last.countLine, "the frame holds no atoms (its count is 0)");
    if (frames > 1) {
        LineSource src(file, progress);
        while (src.Number() < last.countLine && src.Skip()) {
        }
        result.table = ParseFrame(source, src, last, previous);
    }
    result.info.kind = FileKind::Xyz;
    constexpr std::int64_t kMostFrames = std::numeric_limits<int>::max();
    result.info.frame = result.info.frameCount = static_cast<int>(std::min(frames, kMostFrames));
    return result;
}

}  // namespace pivora::io
