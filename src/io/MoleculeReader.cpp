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

ReadResult ReadMoleculeAs(FileKind kind, const std::string& path, const AtomTable& previous) {
    switch (kind) {
        case FileKind::Xyz:
            return ReadXyz(path, previous);
        case FileKind::GaussianInput:
            return ReadGaussianInput(path, previous);
        case FileKind::OrcaInput:
            return ReadOrcaInput(path, previous);
        case FileKind::GaussianOutput:
            return ReadGaussianOutput(path, previous);
        case FileKind::OrcaOutput:
            return ReadOrcaOutput(path, previous);
        case FileKind::Mopac:
            return ReadMopac(path, previous);
        case FileKind::Headerless:
            break;
    }
    return ReadHeaderless(path, previous);
}

MoleculeInfo ReadMoleculeFile(const std::string& path, AtomTable& table) {
    ReadResult result = ReadMolecule(path, table);
    std::swap(table, result.table);
    return std::move(result.info);
}

std::string Summary(const MoleculeInfo& info) {
    std::string text(KindName(info.kind));
    if (info.frameCount > 1) {
        text += info.kind == FileKind::Xyz ? ", frame " : ", geometry ";
        text += std::to_string(info.frame) + " of " + std::to_string(info.frameCount);
    }
    if (info.charge) text += ", charge " + std::to_string(*info.charge);
    if (info.multiplicity) text += ", multiplicity " + std::to_string(*info.multiplicity);
    return text;
}

}  // namespace pivora::io
