#include "session/config_file.h"

#include "base/whole_file_writer.h"

namespace duruz {

Result<SaveOutcome> WriteConfigFile(const std::string& path, const std::string& bytes) {
    if (IsReadOnlyFile(path))
        return SaveOutcome::ReadOnly;
    const Result<FileWritten> written = WriteWholeFile(path, bytes);
    if (!written.Ok())
        return Failure{written.Reason()};
    return written.Value() == FileWritten::Replaced ? SaveOutcome::Replaced
                                                    : SaveOutcome::WrittenInPlace;
}

} // namespace duruz
