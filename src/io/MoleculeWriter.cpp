#include "io/MoleculeWriter.h"

#include "files/FileIo.h"
#include "io/Elements.h"
#include "io/FormatText.h"
#include "io/Formats.h"
#include "numeric/DecimalText.h"
#include "numeric/FixedField.h"

namespace pivora::io {
namespace {

// Up to kListed labels with their atoms, "'He-Bq' (atom 3), ...", and how
// many more.
class LabelList {
  public:
    void Add(const std::string& label, std::size_t atom) {
        if (++count_ > kListed) return;
        if (count_ > 1) text_ += ", ";
        text_ += Quoted(label) + " (atom " + std::to_string(atom) + ")";
    }
    std::size_t Count() const { return count_; }
    std::string Text() const {
        return count_ > kListed ? text_ + " and " + std::to_string(count_ - kListed) + " more"
                                : text_;
    }

  private:
    static constexpr std::size_t kListed = 10;
    std::string text_;
    std::size_t count_ = 0;
};

// Each atom's element, negative for a ghost atom of that element.
// Standard XYZ has no ghost atoms: written as symbols they would become real
// atoms, with their electrons, in whatever reads the file.
void RefuseGhosts(ExportFormat format, const AtomTable& table, const std::vector<int>& elements) {
    if (format != ExportFormat::Xyz) return;
    LabelList ghosts;
    for (std::size_t k = 1; k < elements.size(); ++k)
        if (elements[k] < 0) ghosts.Add(table.AtomName[k], k);
    if (ghosts.Count() == 0) return;
    std::string message = "Nothing was exported: standard XYZ cannot mark ghost atoms, and ";
    message += ghosts.Count() == 1 ? "this label names a ghost: " : "these labels name ghosts: ";
    message += ghosts.Text() + ".";
    throw std::move(Error(ErrorKind::Format, std::move(message))
                        .WithDetail("A ghost atom (Gaussian's He-Bq, ORCA's He:) carries the "
                                    "basis functions of its element but no nucleus and no "
                                    "electrons; written as a plain symbol it would become a real "
                                    "atom. Export a Gaussian or ORCA input, which keep ghost "
                                    "atoms, or delete these atoms first."));
}

// The element of every atom (negative for a ghost), or the refusal that
// lists the labels naming none; checked in full before anything is written.
std::vector<int> ExportElements(ExportFormat format, const AtomTable& table,
                                const ExportSettings& settings) {
    const std::size_t last = table.LastAtom();
    if (last == 0) throw Error(ErrorKind::Format, "There are no atoms to export.");
    if (settings.multiplicity < 1) {
        throw Error(ErrorKind::Format, "The multiplicity " + std::to_string(settings.multiplicity) +
                                           " is not possible: it is 1 or more.");
    }
    std::vector<int> elements(last + 1, 0);
    LabelList refused;
    for (std::size_t k = 1; k <= last; ++k) {
        if (const int ghost = GhostElement(table.AtomName[k])) {
            elements[k] = -ghost;
            continue;
        }
        elements[k] = ElementOfLabel(table.AtomName[k]);
        if (elements[k] == 0) refused.Add(table.AtomName[k], k);
    }
    if (refused.Count() > 0) {
        std::string message = "Nothing was exported: ";
        message += refused.Count() == 1 ? "this label names" : "these labels name";
        message += " no element: " + refused.Text() + ".";
        throw std::move(Error(ErrorKind::Format, std::move(message))
                            .WithDetail("A label names an element by its leading letters (Fe1, "
                                        "CL2, C12) or by an atomic number (26). Rename these "
                                        "atoms, then export again."));
    }
    RefuseGhosts(format, table, elements);
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

// "Fe" in three columns (a ghost as the format marks it: "Fe-Bq", "Fe :"),
// then x, y, z each in a field of 16 with 9 decimals.
void AppendAtomLine(std::string& out, ExportFormat format, int element, double x, double y,
                    double z) {
    const std::string_view symbol = ElementSymbol(element < 0 ? -element : element);
    const std::size_t start = out.size();
    out += symbol;
    if (element < 0) out += format == ExportFormat::GaussianInput ? "-Bq" : " :";
    if (out.size() - start < 3) out.append(3 - (out.size() - start), ' ');
    for (double v : {x, y, z}) {
        // Below 2^26 the saved file's field, FormatFixed(v, 12, 9), differs
        // from this one only in the blanks in front, and its integer route
        // is quick; the rest (huge values, ties) takes the full form.
        // A field that fills its 16 columns still gets a blank before it,
        // so that it never runs into the one before.
        char field[kFixed12x9MaxLength];
        const std::size_t length = WriteFixed12x9Integer(field, v);
        if (length == 0) {
            const std::string text = FormatFixed(v, 16, 9);
            if (text[0] != ' ') out += ' ';
            out += text;
            continue;
        }
        out.append(length < 16 ? 16 - length : 1, ' ');
        out.append(field, length);
    }
    out += '\n';
}

// Calls write with pieces of the text of at most about a megabyte; progress,
// when given, hears of the atoms written after each.
template <typename Write>
void Emit(ExportFormat format, const AtomTable& table, const ExportSettings& settings, Write write,
          ProgressMeter* progress = nullptr) {
    const std::vector<int> elements = ExportElements(format, table, settings);
    std::string out = Head(format, table, settings);
    if (progress) progress->Stage(ProgressMeter::kTotal, elements.size());
    constexpr std::size_t kChunk = 1 << 20;
    for (std::size_t k = 1; k < elements.size(); ++k) {
        AppendAtomLine(out, format, elements[k], table.AtomX[k], table.AtomY[k], table.AtomZ[k]);
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
