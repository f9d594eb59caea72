#include "session/reference_store.h"

#include "base/system_error_text.h"
#include "base/whole_file_writer.h"
#include "link/capture_store.h"
#include "view/export_csv.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace duruz {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMagicLine = "DuruzReference 1";
constexpr std::string_view kSamplesKey = "samples";
constexpr std::size_t kSampleCount = kSamplePairs * 2;
constexpr std::size_t kSampleBytes = kSampleCount * 4;
// Larger than any file this program writes.
constexpr std::uintmax_t kMaxFileBytes = kSampleBytes + 4096;

void AppendLine(std::string& out, std::string_view key, const std::string& value) {
    out.append(key).append("=").append(value).append("\n");
}

std::string TwoNumbers(const int (&values)[2]) {
    return std::to_string(values[0]) + " " + std::to_string(values[1]);
}

// Whole numbers from low to high, separated by single spaces; false for anything else.
bool ParseNumbers(std::string_view text, int* values, int count, int low, int high) {
    for (int k = 0; k < count; ++k) {
        if (k > 0) {
            if (text.empty() || text.front() != ' ')
                return false;
            text.remove_prefix(1);
        }
        const auto [end, error] =
            std::from_chars(text.data(), text.data() + text.size(), values[k]);
        if (error != std::errc() || values[k] < low || values[k] > high)
            return false;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    }
    return text.empty();
}

// Reads the whole file, refusing one larger than the limit.
Result<std::string> ReadSmallFile(const std::string& path, std::uintmax_t limit = kMaxFileBytes) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error)
        return Failure{error.message()};
    if (size > limit)
        return Failure{"the file is larger than any frame's (" + std::to_string(size) + " bytes)"};
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return Failure{SystemErrorText(errno)};
    return bytes;
}

} // namespace

std::string ReferenceFolderBeside(const std::string& configPath) {
    const std::size_t slash = configPath.find_last_of("/\\");
    return (slash == std::string::npos ? std::string() : configPath.substr(0, slash + 1)) +
           "References";
}

std::string ReferenceFileName(const std::string& name) {
    std::string file = name;
    for (char& c : file)
        if (static_cast<unsigned char>(c) < 32 || std::strchr("/\\:*?\"<>|", c) != nullptr)
            c = '_';
    return file + ".ref";
}

std::string FormatReferenceFile(const ReferenceTrace& reference) {
    std::string out(kMagicLine);
    out += "\n";
    AppendLine(out, "name", reference.name);
    AppendLine(out, "probe", TwoNumbers(reference.probeRow));
    AppendLine(out, "range", TwoNumbers(reference.rangeRow));
    AppendLine(out, "sweep", std::to_string(reference.sweepRow));
    AppendLine(out, "points", std::to_string(reference.frame.pointCount));
    AppendLine(out, "frames", std::to_string(reference.frame.frames));
    AppendLine(out, kSamplesKey, std::to_string(kSampleCount));
    for (const float sample : reference.frame.samples) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(sample);
        for (int shift = 0; shift < 32; shift += 8)
            out += static_cast<char>((bits >> shift) & 0xFF);
    }
    return out;
}

Result<ReferenceTrace> ParseReferenceFile(std::string_view bytes) {
    const auto nextLine = [&bytes](std::string_view& line) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos)
            return false;
        line = bytes.substr(0, end);
        bytes.remove_prefix(end + 1);
        return true;
    };
    std::string_view line;
    if (!nextLine(line) || line != kMagicLine)
        return Failure{"not a reference file: its first line is not \"" + std::string(kMagicLine) +
                       "\""};
    ReferenceTrace reference;
    int points = 0;
    int samples = 0;
    struct Field {
        std::string_view key;
        int* values;
        int count;
        int low;
        int high;
    };
    const Field fields[] = {
        {"probe", reference.probeRow, 2, 0, 1},
        {"range", reference.rangeRow, 2, -1, 7},
        {"sweep", &reference.sweepRow, 1, -1, 1},
        {"points", &points, 1, 0, int(kSamplePairs)},
        {"frames", &reference.frame.frames, 1, 0, 1 << 30},
    };
    for (int lineNumber = 2;; ++lineNumber) {
        if (!nextLine(line))
            return Failure{"the file is cut short in its header"};
        const std::string where = "line " + std::to_string(lineNumber) + ", \"" +
                                  std::string(line.substr(0, 40)) + "\": ";
        const std::size_t equals = line.find('=');
        const std::string_view key = line.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
        if (equals == std::string_view::npos)
            return Failure{where + "not a \"key=value\" line"};
        if (key == "name") {
            reference.name = std::string(value);
            continue;
        }
        if (key == kSamplesKey) {
            if (!ParseNumbers(value, &samples, 1, 0, 1 << 30) || samples != int(kSampleCount))
                return Failure{where + "a frame holds " + std::to_string(kSampleCount) +
                               " samples"};
            break;
        }
        const Field* field = std::find_if(std::begin(fields), std::end(fields),
                                          [key](const Field& f) { return f.key == key; });
        if (field == std::end(fields))
            return Failure{where + "unknown key"};
        if (!ParseNumbers(value, field->values, field->count, field->low, field->high))
            return Failure{where + "not " + (field->count == 2 ? "two numbers" : "a number") +
                           " from " + std::to_string(field->low) + " to " +
                           std::to_string(field->high)};
    }
    if (reference.name.empty())
        return Failure{"the file names no reference"};
    if (bytes.size() != kSampleBytes)
        return Failure{"the samples take " + std::to_string(bytes.size()) + " bytes instead of " +
                       std::to_string(kSampleBytes) +
                       (bytes.size() < kSampleBytes ? ": the file is cut short" : "")};
    for (std::size_t i = 0; i < kSampleCount; ++i) {
        std::uint32_t bits = 0;
        for (int b = 3; b >= 0; --b)
            bits = (bits << 8) | static_cast<unsigned char>(bytes[4 * i + std::size_t(b)]);
        const float sample = std::bit_cast<float>(bits);
        if (!std::isfinite(sample))
            return Failure{"sample " + std::to_string(i) + " is not a finite number"};
        reference.frame.samples[i] = sample;
    }
    reference.frame.pointCount = static_cast<std::uint32_t>(points);
    return reference;
}

std::vector<ListedReference> ListReferences(const std::string& folder, std::string* problem) {
    std::vector<ListedReference> listed;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error == std::errc::no_such_file_or_directory)
        return listed;
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::path& path = entries->path();
        if (path.extension() != ".ref")
            continue;
        ListedReference entry;
        entry.path = path.string();
        entry.name = path.stem().string();
        Result<std::string> bytes = ReadSmallFile(entry.path);
        Result<ReferenceTrace> reference =
            bytes.Ok() ? ParseReferenceFile(bytes.Value())
                       : Result<ReferenceTrace>(Failure{"cannot be read: " + bytes.Reason()});
        if (reference.Ok()) {
            entry.reference = reference.Take();
            entry.name = entry.reference.name;
        } else {
            entry.damage = reference.Reason();
        }
        listed.push_back(std::move(entry));
    }
    if (error && problem != nullptr)
        *problem = error.message();
    std::sort(listed.begin(), listed.end(),
              [](const ListedReference& a, const ListedReference& b) { return a.name < b.name; });
    return listed;
}

Status SaveReference(const std::string& folder, const ReferenceTrace& reference) {
    if (reference.name.empty())
        return Failure{"a reference needs a name"};
    if (std::any_of(reference.name.begin(), reference.name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 32; }))
        return Failure{"a reference's name is one line of text"};
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return Failure{"cannot make the folder " + folder + ": " + error.message()};
    const std::string path = (fs::path(folder) / ReferenceFileName(reference.name)).string();
    if (fs::exists(path, error))
        return Failure{"a reference named \"" + reference.name + "\" is already kept in " + path};
    const Result<FileWritten> written = WriteWholeFile(path, FormatReferenceFile(reference));
    if (!written.Ok())
        return Failure{"cannot write " + path + ": " + written.Reason()};
    return {};
}

Status RenameReference(const std::string& folder, const ListedReference& listed,
                       const std::string& newName) {
    if (listed.Damaged())
        return Failure{"a damaged reference cannot be renamed: " + listed.damage};
    ReferenceTrace renamed = listed.reference;
    renamed.name = newName;
    if (const Status saved = SaveReference(folder, renamed); !saved.Ok())
        return saved;
    return DeleteReferenceFile(listed.path);
}

Status DeleteReferenceFile(const std::string& path) {
    std::error_code error;
    if (!fs::remove(path, error) || error)
        return Failure{"cannot delete " + path + ": " +
                       (error ? error.message() : std::string("the file is gone"))};
    return {};
}

Result<ReferenceTrace> ReadReferenceFromCsv(const std::string& path) {
    const Result<std::string> text = ReadSmallFile(path, std::uintmax_t(1) << 20);
    if (!text.Ok())
        return Failure{"cannot be read: " + text.Reason()};
    auto read = std::make_unique<FrameSamples>();
    CsvExportInfo info;
    if (const Status parsed = ReadFrameCsv(text.Value(), *read, info); !parsed.Ok())
        return Failure{parsed.Reason()};
    ReferenceTrace reference;
    reference.name = fs::path(path).stem().string();
    if (read->averaged) {
        reference.frame = read->average;
    } else {
        for (std::size_t i = 0; i < kSamplePairs; ++i)
            for (int c = 0; c < 2; ++c)
                reference.frame.samples[2 * i + std::size_t(c)] = read->counts.Sample(i, c);
        reference.frame.pointCount = FramePoints(read->counts);
        reference.frame.frames = 1;
    }
    for (int c = 0; c < 2; ++c) {
        reference.probeRow[c] = info.probeRow[c];
        reference.rangeRow[c] = info.rangeRow[c];
    }
    reference.sweepRow = info.sweep == "XY Mode" ? kXyModeSweepRow : 1;
    return reference;
}

namespace {
constexpr std::string_view kShownMagicLine = "DuruzShownReferences 1";
}

std::string FormatShownReferences(const std::set<std::string>& fileNames) {
    std::string text(kShownMagicLine);
    text += "\n";
    for (const std::string& name : fileNames)
        text += name + "\n";
    return text;
}

Result<std::set<std::string>> ParseShownReferences(std::string_view text) {
    std::set<std::string> names;
    if (!text.starts_with(std::string(kShownMagicLine) + "\n"))
        return Failure{"its first line is not \"" + std::string(kShownMagicLine) + "\""};
    text.remove_prefix(kShownMagicLine.size() + 1);
    for (int lineNumber = 2; !text.empty(); ++lineNumber) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return Failure{"line " + std::to_string(lineNumber) + " is cut short"};
        const std::string_view name = text.substr(0, end);
        text.remove_prefix(end + 1);
        // Only a name ReferenceFileName could have made.
        if (!name.ends_with(".ref") ||
            ReferenceFileName(std::string(name.substr(0, name.size() - 4))) != name)
            return Failure{"line " + std::to_string(lineNumber) + " names no reference file"};
        names.insert(std::string(name));
    }
    return names;
}

Result<std::set<std::string>> LoadShownReferences(const std::string& folder) {
    const std::string path = (fs::path(folder) / kShownReferencesFile).string();
    std::error_code error;
    if (!fs::exists(path, error) && !error)
        return std::set<std::string>();
    const Result<std::string> text = ReadSmallFile(path);
    if (!text.Ok())
        return Failure{text.Reason()};
    return ParseShownReferences(text.Value());
}

Status SaveShownReferences(const std::string& folder, const std::set<std::string>& fileNames) {
    const std::string path = (fs::path(folder) / kShownReferencesFile).string();
    const Result<FileWritten> written = WriteWholeFile(path, FormatShownReferences(fileNames));
    if (!written.Ok())
        return Failure{"cannot write " + path + ": " + written.Reason()};
    return {};
}

std::string UnusedReferenceName(const std::vector<ListedReference>& listed) {
    for (int n = 1;; ++n) {
        const std::string name = "Reference " + std::to_string(n);
        const std::string file = ReferenceFileName(name);
        if (std::none_of(listed.begin(), listed.end(), [&](const ListedReference& entry) {
                return fs::path(entry.path).filename().string() == file;
            }))
            return name;
    }
}

} // namespace duruz
