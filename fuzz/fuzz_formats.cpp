// Detection and every format reader on arbitrary file contents: each read
// gives a table of the common shape or one of the program's errors, and
// never touches the previous table. The first input byte picks the file's
// extension, which detection takes as a hint.

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "coordinates/CoordinateReader.h"
#include "io/Elements.h"
#include "io/FileKind.h"
#include "io/MoleculeReader.h"
#include "io/MoleculeWriter.h"

namespace {

using pivora::AtomTable;
using pivora::Error;
using pivora::io::FileKind;

constexpr const char* kExtensions[] = {"xyz", "gjf", "com", "inp", "log",
                                       "out", "mop", "arc", "txt"};
constexpr FileKind kKinds[] = {
    FileKind::Headerless,     FileKind::Xyz,           FileKind::GaussianInput, FileKind::OrcaInput,
    FileKind::GaussianOutput, FileKind::OrcaOutput,    FileKind::Mopac,         FileKind::Indented,
    FileKind::MopacArchive,   FileKind::TurbomoleCoord};

// In memory where the machine has /dev/shm: a disk write per input would
// make the disk, not the readers, the thing being measured.
std::string ScratchDir() {
    for (const char* dir : {"/dev/shm", "/tmp"}) {
        std::string pattern = std::string(dir) + "/pivora-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) return pattern;
    }
    std::abort();
}

bool Same(const AtomTable& a, const AtomTable& b) {
    return a.AtomCount == b.AtomCount && a.AtomName == b.AtomName && a.AtomX == b.AtomX &&
           a.AtomY == b.AtomY && a.AtomZ == b.AtomZ;
}

void CheckShape(const AtomTable& t, const AtomTable& previous, FileKind kind) {
    if (t.AtomCount < 0 || t.Capacity() != static_cast<std::size_t>(t.AtomCount) + 10) std::abort();
    if (t.AtomName[0] != "None" || t.AtomX[0] != 0 || t.AtomY[0] != 0 || t.AtomZ[0] != 0)
        std::abort();
    for (std::size_t i = 0; i < t.Capacity(); ++i)
        if (!std::isfinite(t.AtomX[i]) || !std::isfinite(t.AtomY[i]) || !std::isfinite(t.AtomZ[i]))
            std::abort();
    const std::size_t count = static_cast<std::size_t>(t.AtomCount);
    for (std::size_t i = count + 1; i < t.Capacity(); ++i) {
        const bool kept = i < previous.Capacity();
        if (t.AtomName[i] != (kept ? previous.AtomName[i] : std::string())) std::abort();
    }
    if (kind == FileKind::Headerless) return;
    // The other kinds hold at least one atom, each named by an element (or
    // Gaussian's ghost and dummy atoms); an indented table keeps its labels
    // as written, as the headerless format does.
    if (count == 0) std::abort();
    if (kind == FileKind::Indented) return;
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string& label = t.AtomName[i];
        if (pivora::io::ElementOfLabel(label) == 0 && label != "Bq" && label != "X") std::abort();
    }
}

void ReadChecked(FileKind kind, const std::string& path, const AtomTable& previous,
                 const AtomTable& original) {
    try {
        const pivora::io::ReadResult r = pivora::io::ReadMoleculeAs(kind, path, previous);
        if (r.info.kind != kind || r.info.frame < 1 || r.info.frame > r.info.frameCount)
            std::abort();
        CheckShape(r.table, previous, kind);
    } catch (const Error& e) {
        if (e.Message().empty()) std::abort();
    }
    if (!Same(previous, original)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = ScratchDir();
    static const int removeAtExit = std::atexit([] {
        for (const char* ext : kExtensions) ::unlink((dir + "/f." + ext).c_str());
        ::rmdir(dir.c_str());
    });
    (void)removeAtExit;
    static const AtomTable original = [] {
        const std::string path = dir + "/seed.txt";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs("Fe 0 0 0\nC1 1 2 3\nC2 -1 -2 -3\nO1 0 0 1\n", f);
        std::fclose(f);
        AtomTable t;
        pivora::ReadCoordinateFile(path, t);
        ::unlink(path.c_str());
        return t;
    }();
    if (size == 0) return 0;

    const std::string path = dir + "/f." + kExtensions[data[0] % std::size(kExtensions)];
    const std::string_view content(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);

    const FileKind detected = pivora::io::DetectFileKind(path);
    const bool complete = content.size() < pivora::io::kHeadBytes;
    if (pivora::io::DetectKind(content.substr(0, pivora::io::kHeadBytes), path, complete) !=
        detected)
        std::abort();

    const AtomTable previous = original;
    for (FileKind kind : kKinds) ReadChecked(kind, path, previous, original);

    // The detected kind is what ReadMolecule reads, and a headerless file
    // reads exactly as the native reader reads it (refusing a line that
    // would be read one field off).
    if (detected == FileKind::Headerless) {
        std::string native, ours;
        AtomTable a, b;
        try {
            pivora::ReadOptions shifted;
            shifted.refuseShiftedLines = true;
            a = pivora::ReadCoordinateTable(path, previous, shifted);
        } catch (const Error& e) {
            native = e.Message();
        }
        try {
            b = pivora::io::ReadMolecule(path, previous).table;
        } catch (const Error& e) {
            ours = e.Message();
        }
        if (native != ours || !Same(a, b)) std::abort();
    }

    // What reads back as a molecule of elements exports to texts that are
    // recognised as their formats.
    try {
        const pivora::io::ReadResult r = pivora::io::ReadMolecule(path, previous);
        const std::pair<pivora::io::ExportFormat, FileKind> formats[] = {
            {pivora::io::ExportFormat::Xyz, FileKind::Xyz},
            {pivora::io::ExportFormat::GaussianInput, FileKind::GaussianInput},
            {pivora::io::ExportFormat::OrcaInput, FileKind::OrcaInput}};
        for (const auto& [format, kind] : formats) {
            // Each on its own: standard XYZ refuses ghost atoms that the
            // inputs keep.
            try {
                const std::string text = pivora::io::ExportText(format, r.table, {path, 0, 1});
                if (pivora::io::DetectKind(text, "x", true) != kind) std::abort();
            } catch (const Error&) {
            }
        }
    } catch (const Error&) {
    }
    return 0;
}
