#include "io/MoleculeReader.h"

#include <cerrno>
#include <utility>

#include "io/Formats.h"
#include "model/FileIo.h"

namespace pivora::io {

namespace {

// Runs read, the reading of the file detection saw as seen. A file that
// changed since then was read as something it no longer is, or is no
// longer whole: what the reader blamed on its content is then the file
// error that says so, which a refusal of the file access (its own detail
// given) already is.
template <typename Read>
auto ReadAsSeen(const std::string& path, const FileState& seen, Read read) {
    try {
        return read();
    } catch (Error& e) {
        FileState now;
        if (e.Kind() != ErrorKind::File && seen != FileState{} &&
            (!CurrentFileState(path, now) || now != seen)) {
            throw FileError(EIO, path).WithDetail(
                "The file changed while it was being read: another program is changing it. "
                "Open it again once it is complete.");
        }
        throw;
    }
}

}  // namespace

ReadResult ReadMolecule(const std::string& path, const AtomTable& previous) {
    bool binary = false;
    FileState seen;
    const FileKind kind = DetectFileHead(path, binary, &seen);
    return ReadAsSeen(path, seen, [&] {
        if (kind == FileKind::Headerless) return ReadHeaderless(path, previous, binary);
        return ReadMoleculeAs(kind, path, previous);
    });
}

ReadResult ReadMoleculeAs(FileKind kind, const std::string& path, const AtomTable& previous,
                          ProgressMeter* progress) {
    switch (kind) {
        case FileKind::Xyz:
            return ReadXyz(path, previous, progress);
        case FileKind::GaussianInput:
            return ReadGaussianInput(path, previous, progress);
        case FileKind::OrcaInput:
            return ReadOrcaInput(path, previous, progress);
        case FileKind::GaussianOutput:
            return ReadGaussianOutput(path, previous, progress);
        case FileKind::OrcaOutput:
            return ReadOrcaOutput(path, previous, progress);
        case FileKind::Mopac:
            return ReadMopac(path, previous, progress);
        case FileKind::Indented:
            return ReadIndented(path, previous, progress);
        case FileKind::MopacArchive:
            return ReadMopacArchive(path, previous, progress);
        case FileKind::TurbomoleCoord:
            return ReadTurbomoleCoord(path, previous, progress);
        case FileKind::Headerless:
            break;
    }
    return ReadHeaderless(path, previous);
}

PreparedMolecule PrepareMolecule(const std::string& path, const AtomTable& target, bool mayRefill,
                                 const ProgressReport& progress) {
    PreparedMolecule prepared;
    bool binary = false;
    FileState seen;
    const FileKind kind = DetectFileHead(path, binary, &seen);
    if (kind == FileKind::Headerless) {
        prepared.plain_.emplace(ReadAsSeen(path, seen, [&] {
            return PrepareHeaderless(path, target, mayRefill, binary, progress);
        }));
        prepared.info_.kind = FileKind::Headerless;
        return prepared;
    }
    ProgressMeter meter(progress);
    if (kind == FileKind::Xyz) {
        PreparedXyz xyz = ReadAsSeen(path, seen, [&] {
            return PrepareXyz(path, target, mayRefill, meter.Active() ? &meter : nullptr);
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
    ReadResult read = ReadAsSeen(path, seen, [&] {
        return ReadMoleculeAs(kind, path, target, meter.Active() ? &meter : nullptr);
    });
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
