#include "io/MoleculeReader.h"

#include <new>
#include <utility>

#include "files/FileIo.h"
#include "io/Formats.h"

namespace pivora::io {

namespace {

ReadResult ReadKind(FileKind kind, InputFile& file, const AtomTable& previous,
                    ProgressMeter* progress, bool binary) {
    switch (kind) {
        case FileKind::Xyz:
            return ReadXyz(file, previous, progress);
        case FileKind::GaussianInput:
            return ReadGaussianInput(file, previous, progress);
        case FileKind::OrcaInput:
            return ReadOrcaInput(file, previous, progress);
        case FileKind::GaussianOutput:
            return ReadGaussianOutput(file, previous, progress);
        case FileKind::OrcaOutput:
            return ReadOrcaOutput(file, previous, progress);
        case FileKind::Mopac:
            return ReadMopac(file, previous, progress);
        case FileKind::Indented:
            return ReadIndented(file, previous, progress);
        case FileKind::MopacArchive:
            return ReadMopacArchive(file, previous, progress);
        case FileKind::TurbomoleCoord:
            return ReadTurbomoleCoord(file, previous, progress);
        case FileKind::Headerless:
            break;
    }
    return ReadHeaderless(file, previous, binary);
}

// read(), and then the check that file stayed as it was opened. A reader's
// failure on a file that changed meanwhile (a line it cut, memory for the
// lines it grew by) was about content that never was the file: the change
// is what is said. A cancel from the progress report stays a cancel.
template <typename Read>
auto Checked(InputFile& file, Read read) {
    try {
        auto result = read();
        file.CheckUnchanged();
        return result;
    } catch (const Error&) {
        file.CheckUnchanged();
        throw;
    } catch (const std::bad_alloc&) {
        file.CheckUnchanged();
        throw;
    }
}

ReadResult ReadChecked(FileKind kind, InputFile& file, const AtomTable& previous,
                       ProgressMeter* progress, bool binary = false) {
    return Checked(file, [&] { return ReadKind(kind, file, previous, progress, binary); });
}

}  // namespace

ReadResult ReadMolecule(const std::string& path, const AtomTable& previous) {
    InputFile file(path);
    return ReadMolecule(file, previous);
}

ReadResult ReadMolecule(InputFile& file, const AtomTable& previous) {
    bool binary = false;
    const FileKind kind = DetectFileHead(file, binary);
    return ReadChecked(kind, file, previous, nullptr, binary);
}

ReadResult ReadMoleculeAs(FileKind kind, const std::string& path, const AtomTable& previous,
                          ProgressMeter* progress) {
    InputFile file(path);
    return ReadChecked(kind, file, previous, progress);
}

PreparedMolecule PrepareMolecule(const std::string& path, const AtomTable& target, bool mayRefill,
                                 const ProgressReport& progress) {
    InputFile file(path);
    return PrepareMolecule(file, target, mayRefill, progress);
}

PreparedMolecule PrepareMolecule(InputFile& file, const AtomTable& target, bool mayRefill,
                                 const ProgressReport& progress) {
    PreparedMolecule prepared;
    bool binary = false;
    const FileKind kind = DetectFileHead(file, binary);
    if (kind == FileKind::Headerless) {
        prepared.plain_.emplace(Checked(
            file, [&] { return PrepareHeaderless(file, target, mayRefill, binary, progress); }));
        prepared.info_.kind = FileKind::Headerless;
        return prepared;
    }
    ProgressMeter meter(progress);
    if (kind == FileKind::Xyz) {
        PreparedXyz xyz = Checked(file, [&] {
            return PrepareXyz(file, target, mayRefill, meter.Active() ? &meter : nullptr);
        });
        meter.Finish();
        prepared.info_ = std::move(xyz.result.info);
        if (xyz.read) {
            prepared.plain_.emplace(std::move(*xyz.read));
        } else {
            prepared.table_ = std::move(xyz.result.table);
        }
        return prepared;
    }
    ReadResult read = ReadChecked(kind, file, target, meter.Active() ? &meter : nullptr);
    meter.Finish();
    prepared.table_ = std::move(read.table);
    prepared.info_ = std::move(read.info);
    return prepared;
}

void PreparedMolecule::MoveInto(AtomTable& table) && {
    if (plain_) {
        std::move(*plain_).MoveInto(table);
        plain_.reset();
        return;
    }
    std::swap(table, table_);
    table_ = AtomTable();
}

MoleculeInfo ReadMoleculeFile(const std::string& path, AtomTable& table) {
    PreparedMolecule prepared = PrepareMolecule(path, table, table.Unshared());
    MoleculeInfo info = prepared.Info();
    std::move(prepared).MoveInto(table);
    return info;
}

void NoteConvertedFromBohr(MoleculeInfo& info) {
    info.convertedFromBohr = true;
    if (!info.note.empty()) info.note += ' ';
    info.note +=
        "The coordinates were given in bohr and have been converted to angstrom (1 bohr = "
        "0.529177210903 angstrom).";
}

std::string Summary(const MoleculeInfo& info) {
    std::string text(KindName(info.kind));
    if (info.frameCount > 1) {
        text += info.kind == FileKind::Xyz ? ", frame " : ", geometry ";
        text += std::to_string(info.frame) + " of " + std::to_string(info.frameCount);
    }
    if (info.charge) text += ", charge " + std::to_string(*info.charge);
    if (info.multiplicity) text += ", multiplicity " + std::to_string(*info.multiplicity);
    if (info.convertedFromBohr) text += ", converted from bohr";
    return text;
}

}  // namespace pivora::io
