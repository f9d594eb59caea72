#pragma once

#include "base/result.h"
#include "view/float_frame.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace duruz {

// A frame kept to compare later frames with: both channels' samples as counts in
// floating point, so an average keeps its precision, and the settings it was
// captured under, which scale it onto any later screen.
struct ReferenceTrace {
    std::string name;
    FloatFrame frame;
    int probeRow[2] = {1, 1};
    int rangeRow[2] = {7, 7};
    int sweepRow = 1;
};

// The folder of reference files beside the given Config.Ini path.
std::string ReferenceFolderBeside(const std::string& configPath);
// The file a reference of this name is kept in: the name with every character that
// some file system refuses replaced by '_', and ".ref".
std::string ReferenceFileName(const std::string& name);

// A text header (a magic and version line, then "key=value" lines) and the samples
// as little-endian IEEE floats, so they read back bit for bit.
std::string FormatReferenceFile(const ReferenceTrace& reference);
// Anything FormatReferenceFile could not have written is refused, with the reason.
Result<ReferenceTrace> ParseReferenceFile(std::string_view bytes);

// One file of the folder: its reference, or why it could not be read.
struct ListedReference {
    std::string path;
    std::string name; // the file's stem when it is damaged
    ReferenceTrace reference;
    std::string damage; // empty for a sound file

    bool Damaged() const { return !damage.empty(); }
};
// The folder's reference files by name; a missing folder lists none. A folder that
// is there but cannot be read lists what could be read, and the reason goes to
// problem when one is given.
std::vector<ListedReference> ListReferences(const std::string& folder,
                                            std::string* problem = nullptr);

// Writes the reference whole into the folder, made when missing. A name that is
// empty, or whose file another reference already has, is refused.
Status SaveReference(const std::string& folder, const ReferenceTrace& reference);
// The reference under its new name, and its old file removed once the new one is
// written.
Status RenameReference(const std::string& folder, const ListedReference& listed,
                       const std::string& newName);
Status DeleteReferenceFile(const std::string& path);

// The frame of a frame CSV export (its raw counts, or an average's volts turned back
// into counts, and the settings its header names), named after the file; text that
// is no such export is refused with the reason.
Result<ReferenceTrace> ReadReferenceFromCsv(const std::string& path);

// Which references the screen shows, kept in the folder so that they are shown again
// after a restart: a first line naming the format, then one reference file's name a
// line.
inline constexpr std::string_view kShownReferencesFile = "Shown.txt";
std::string FormatShownReferences(const std::set<std::string>& fileNames);
// Text FormatShownReferences could not have written is refused with the reason.
Result<std::set<std::string>> ParseShownReferences(std::string_view text);
// The file names kept in the folder; none when there is no such file. A file that is
// there but cannot be read, or is damaged, gives the reason.
Result<std::set<std::string>> LoadShownReferences(const std::string& folder);
Status SaveShownReferences(const std::string& folder, const std::set<std::string>& fileNames);

// "Reference N", N the lowest number no listed reference's file has.
std::string UnusedReferenceName(const std::vector<ListedReference>& listed);

} // namespace duruz
