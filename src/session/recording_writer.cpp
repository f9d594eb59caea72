#include "session/recording_writer.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace duruz {

// Without `overwrite`, an existing file fails in the same call that would create
// it: no moment in which another file could appear and be overwritten.
std::FILE* CreateRecordingFile(const std::string& path, bool overwrite) {
#ifdef _WIN32
    const int fd =
        ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | (overwrite ? _O_TRUNC : _O_EXCL),
                _S_IREAD | _S_IWRITE);
    std::FILE* file = fd < 0 ? nullptr : ::_fdopen(fd, "wb");
    if (fd >= 0 && !file)
        ::_close(fd);
#else
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL), 0666);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (fd >= 0 && !file)
        ::close(fd);
#endif
    return file;
}

namespace {

Failure SystemFailure(int code) {
    return Failure{std::generic_category().message(code)};
}

} // namespace

Result<std::unique_ptr<RecordingWriter>>
RecordingWriter::Create(const std::string& path, const RecordingHeader& header, bool overwrite) {
    errno = 0;
    std::FILE* file = CreateRecordingFile(path, overwrite);
    if (!file)
        return errno == EEXIST ? Failure{"the file exists already"} : SystemFailure(errno);
    // Unbuffered: every record reaches the system in the write that adds it.
    std::setvbuf(file, nullptr, _IONBF, 0);
    std::unique_ptr<RecordingWriter> writer(new RecordingWriter(file));
    AppendHeader(writer->record_, header);
    if (Status written = writer->WriteRecord(); !written.Ok()) {
        writer.reset();
        // Only a file this call made is taken away again; an overwritten one may be
        // a device.
        if (!overwrite)
            std::remove(path.c_str());
        return Failure{written.Reason()};
    }
    return writer;
}

RecordingWriter::~RecordingWriter() {
    std::fclose(file_);
}

Status RecordingWriter::AddFrame(std::uint64_t sequence, const RecordTime& time,
                                 const ScopeSettings& settings, const LinkCounters& counters,
                                 const std::int16_t* counts, std::size_t countValues) {
    record_.clear();
    AppendFrameRecord(record_, sequence, time, settings, counters, counts, countValues);
    return WriteRecord();
}

Status RecordingWriter::AddAveragedFrame(std::uint64_t sequence, const RecordTime& time,
                                         const ScopeSettings& settings,
                                         const LinkCounters& counters, std::uint32_t framesAveraged,
                                         const float* volts, std::size_t voltValues) {
    record_.clear();
    AppendAveragedFrameRecord(record_, sequence, time, settings, counters, framesAveraged, volts,
                              voltValues);
    return WriteRecord();
}

Status RecordingWriter::AddSettingsChange(const RecordTime& time, const ScopeSettings& settings) {
    record_.clear();
    AppendSettingsRecord(record_, time, settings);
    return WriteRecord();
}

Status RecordingWriter::AddGap(const RecordTime& time, GapKind gap) {
    record_.clear();
    AppendGapRecord(record_, time, gap);
    return WriteRecord();
}

Status RecordingWriter::WriteRecord() {
    if (!failure_.empty())
        return Failure{failure_};
    if (record_.size() > kMaxRecordBodyBytes + kRecordFramingBytes)
        return Failure{"a record is larger than a recording may hold"};
    errno = 0;
    const std::size_t written = std::fwrite(record_.data(), 1, record_.size(), file_);
    if (written != record_.size() || std::fflush(file_) != 0) {
        const int code = errno != 0 ? errno : EIO;
        std::clearerr(file_);
        failure_ = SystemFailure(code).reason;
        return Failure{failure_};
    }
    bytesWritten_ += written;
    return {};
}

} // namespace duruz
