#include "io/MoleculeReader.h"

#include <utility>

#include "io/Formats.h"

namespace pivora::io {

ReadResult ReadMolecule(const std::string& path, const AtomTable& previous) {
    bool binary = false;
    const FileKind kind = DetectFileHead(path, binary);
    if (kind == FileKind::Headerless) return ReadHeaderless(path, previous, binary);
    return ReadMoleculeAs(kind, path, previous);
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
        case FileKind::Headerless:
            break;
    }
    return ReadHeaderless(path, previous);
}

PreparedMolecule PrepareMolecule(const std::string& path, const AtomTable& target, bool mayRefill,
                                 const ProgressReport& progress) {
    PreparedMolecule prepared;
    bool binary = false;
    const FileKind kind = DetectFileHead(path, binary);
    if (kind == FileKind::Headerless) {
        prepared.plain_.emplace(PrepareHeaderless(path, target, mayRefill, binary, progress));
        prepared.info_.kind = FileKind::Headerless;
        return prepared;
    }
    ProgressMeter meter(progress);
    ReadResult read = ReadMoleculeAs(kind, path, target, meter.Active() ? &meter : nullptr);
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
