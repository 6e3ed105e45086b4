#include "io/MoleculeWriter.h"

#include "io/Elements.h"
#include "io/FormatText.h"
#include "io/Formats.h"
#include "model/DecimalText.h"
#include "model/FileIo.h"
#include "model/FixedField.h"

namespace pivora::io {
namespace {

// The element of every atom, or the refusal that lists the labels naming
// none; checked in full before anything is written.
std::vector<int> ExportElements(const AtomTable& table, const ExportSettings& settings) {
    const std::size_t last = table.LastAtom();
    if (last == 0) throw Error(ErrorKind::Format, "There are no atoms to export.");
    if (settings.multiplicity < 1) {
        throw Error(ErrorKind::Format, "The multiplicity " + std::to_string(settings.multiplicity) +
                                           " is not possible: it is 1 or more.");
    }
    std::vector<int> elements(last + 1, 0);
    std::string refused;
    std::size_t count = 0;
    constexpr std::size_t kListed = 10;
    for (std::size_t k = 1; k <= last; ++k) {
        elements[k] = ElementOfLabel(table.AtomName[k]);
        if (elements[k] != 0) continue;
        if (++count <= kListed) {
            if (count > 1) refused += ", ";
            refused += Quoted(table.AtomName[k]) + " (atom " + std::to_string(k) + ")";
        }
    }
    if (count > 0) {
        std::string message = "Nothing was exported: ";
        message += count == 1 ? "this label names" : "these labels name";
        message += " no element: " + refused;
        if (count > kListed) message += " and " + std::to_string(count - kListed) + " more";
        message += ".";
        throw std::move(Error(ErrorKind::Format, std::move(message))
                            .WithDetail("A label names an element by its leading letters (Fe1, "
                                        "CL2, C12) or by an atomic number (26). Rename these "
                                        "atoms, then export again."));
    }
    return elements;
}

std::string Head(ExportFormat format, const AtomTable& table, const ExportSettings& settings) {
    switch (format) {
        case ExportFormat::GaussianInput:
            return GaussianHead(settings);
        case ExportFormat::OrcaInput:
            return OrcaHead(settings);
        case ExportFormat::Xyz:
            break;
    }
    return XyzHead(static_cast<std::int32_t>(table.LastAtom()), settings);
}

std::string Tail(ExportFormat format) {
    switch (format) {
        case ExportFormat::GaussianInput:
            return GaussianTail();
        case ExportFormat::OrcaInput:
            return OrcaTail();
        case ExportFormat::Xyz:
            break;
    }
    return {};
}

// "Fe" in three columns, then x, y, z each in a field of 16 with 9 decimals.
void AppendAtomLine(std::string& out, int element, double x, double y, double z) {
    const std::string_view symbol = ElementSymbol(element);
    out += symbol;
    out.append(3 - symbol.size(), ' ');
    for (double v : {x, y, z}) {
        // Below 2^26 the saved file's field, FormatFixed(v, 12, 9), differs
        // from this one only in the blanks in front, and its integer route
        // is quick; the rest (huge values, ties) takes the full form.
        char field[kFixed12x9MaxLength];
        const std::size_t length = WriteFixed12x9Integer(field, v);
        if (length == 0) {
            out += FormatFixed(v, 16, 9);
            continue;
        }
        if (length < 16) out.append(16 - length, ' ');
        out.append(field, length);
    }
    out += '\n';
}

// Calls write with pieces of the text of at most about a megabyte; progress,
// when given, hears of the atoms written after each.
template <typename Write>
void Emit(ExportFormat format, const AtomTable& table, const ExportSettings& settings, Write write,
          ProgressMeter* progress = nullptr) {
    const std::vector<int> elements = ExportElements(table, settings);
    std::string out = Head(format, table, settings);
    if (progress) progress->Stage(ProgressMeter::kTotal, elements.size());
    constexpr std::size_t kChunk = 1 << 20;
    for (std::size_t k = 1; k < elements.size(); ++k) {
        AppendAtomLine(out, elements[k], table.AtomX[k], table.AtomY[k], table.AtomZ[k]);
        if (out.size() >= kChunk) {
            write(out);
            out.clear();
            if (progress) progress->At(k);
        }
    }
    out += Tail(format);
    write(out);
}

}  // namespace

std::string CommentSafe(std::string_view source, std::string_view avoid, std::size_t most) {
    std::string safe(source.substr(0, most));
    for (char& c : safe)
        if (static_cast<unsigned char>(c) < 32 || c == 127 ||
            avoid.find(c) != std::string_view::npos)
            c = ' ';
    return safe;
}

std::string_view ExportFormatName(ExportFormat format) {
    switch (format) {
        case ExportFormat::GaussianInput:
            return "Gaussian input (*.gjf *.com)";
        case ExportFormat::OrcaInput:
            return "ORCA input (*.inp)";
        case ExportFormat::Xyz:
            break;
    }
    return "standard XYZ (*.xyz)";
}

std::string_view ExportExtension(ExportFormat format) {
    switch (format) {
        case ExportFormat::GaussianInput:
            return "gjf";
        case ExportFormat::OrcaInput:
            return "inp";
        case ExportFormat::Xyz:
            break;
    }
    return "xyz";
}

std::optional<ExportFormat> ExportFormatFor(std::string_view name) {
    const std::size_t cut = name.find_last_of("/.");
    const std::string word = Lower(cut == std::string_view::npos ? name : name.substr(cut + 1));
    if (word == "xyz") return ExportFormat::Xyz;
    if (word == "gjf" || word == "com" || word == "gau" || word == "gaussian")
        return ExportFormat::GaussianInput;
    if (word == "inp" || word == "orca") return ExportFormat::OrcaInput;
    return std::nullopt;
}

std::string ExportText(ExportFormat format, const AtomTable& table,
                       const ExportSettings& settings) {
    std::string text;
    Emit(format, table, settings, [&](const std::string& piece) { text += piece; });
    return text;
}

void ExportFile(const std::string& path, ExportFormat format, const AtomTable& table,
                const ExportSettings& settings, const WriteOptions& options,
                const ProgressReport& progress) {
    // The refusals come before the writer exists, so that they leave the
    // target untouched; the writer only replaces it at Commit.
    std::optional<SafeFileWriter> writer;
    ProgressMeter meter(progress);
    Emit(
        format, table, settings,
        [&](const std::string& piece) {
            if (!writer) writer.emplace(path, options);
            writer->Write(piece);
        },
        meter.Active() ? &meter : nullptr);
    meter.Finish();
    writer->Commit();
}

}  // namespace pivora::io
