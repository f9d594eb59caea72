#include "view/diagnostic_log.h"

#include "view/dump_file.h"

#include <algorithm>
#include <cstdio>

namespace duruz {

namespace {

// Writes one formatted line whole, without its terminator.
template <typename... Args> bool WriteLine(std::FILE* file, const char* format, Args... args) {
    char line[160];
    const int length = std::snprintf(line, sizeof line, format, args...);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof line)
        return false;
    return std::fwrite(line, 1, static_cast<std::size_t>(length), file) ==
           static_cast<std::size_t>(length);
}

} // namespace

bool WriteDiagnosticLog(const std::string& path, const CaptureStore& store,
                        const TriggerState& trigger) {
    if (path.empty())
        return false;
    std::FILE* file = OpenDumpForAppend(path);
    if (file == nullptr)
        return false;

    auto word = [&store](std::size_t n) { return static_cast<int>(store.HeaderWord(n)); };
    bool ok = WriteLine(file, "Info2 %08X %d %d %d %d %d %d %d %d %d %d\r", store.HeaderWord(0),
                        word(1), word(2), word(3), word(4), word(7), int{trigger.SyncSource},
                        int{trigger.SyncPolarity}, int{trigger.SyncLevel}, word(12), word(13));
    ok = WriteLine(file, " %d %d %d %d\r", word(8), word(9), word(10), word(11)) && ok;
    ok = WriteLine(file, "    %d %d %d\r", word(12), word(13), word(14)) && ok;
    for (std::size_t n = 15; n <= 23; ++n)
        ok = WriteLine(file, " >%d", word(n)) && ok;
    ok = WriteLine(file, "%s", "\r") && ok;

    // The header's pair count, read unsigned, capped at what the store holds.
    const std::uint32_t pairs =
        std::min<std::uint32_t>(store.HeaderWord(1), static_cast<std::uint32_t>(kSamplePairs));
    for (std::uint32_t i = 0; i < pairs; ++i) {
        const int ch1 = store.Sample(i, 0);
        const int ch2 = store.Sample(i, 1);
        ok = WriteLine(file, "%4d, %5d, %5d, %08X, %08X\r\n", static_cast<int>(i), ch1, ch2,
                       static_cast<unsigned>(ch1), static_cast<unsigned>(ch2)) &&
             ok;
    }
    return std::fclose(file) == 0 && ok;
}

} // namespace duruz
