#include "view/export_csv.h"

#include "base/whole_file_writer.h"
#include "view/number_text.h"
#include "view/sample_scale.h"

namespace duruz {

namespace {

void AppendChannel(std::string& out, const CsvExportInfo& info, int c) {
    out += "# ch";
    AppendInt(out, c + 1);
    out += ": range +/-";
    AppendFixed(out, FullScaleVolts(info.probeRow[c], info.rangeRow[c]), 1);
    out += " V, probe ";
    out += info.probeRow[c] == 0 ? "x10" : "x1";
    out += "\n";
}

} // namespace

std::string FrameCsv(const CaptureStore& store, const CsvExportInfo& info) {
    std::string out;
    out.reserve(kSamplePairs * 48 + 512);
    out += "# RORU-Duruz frame\n# date: " + info.date + "\n# port: " + info.port + "\n";
    AppendChannel(out, info, 0);
    AppendChannel(out, info, 1);
    out += "# sweep: " + info.sweep + "\n# sync: " + info.sync + ", level ";
    AppendInt(out, info.syncLevel);
    out += ", position ";
    AppendInt(out, info.syncPosition);
    out += "\nindex,time_s,ch1_V,ch2_V,ch1_raw,ch2_raw\n";
    for (std::size_t i = 0; i < kSamplePairs; ++i) {
        const int s1 = store.Sample(i, 0);
        const int s2 = store.Sample(i, 1);
        AppendInt(out, static_cast<long long>(i));
        out += ',';
        AppendFixed(out, SampleSeconds(double(i)), 9);
        out += ',';
        AppendFixed(out, SampleVolts(s1, info.probeRow[0], info.rangeRow[0]) + 0.0, 6);
        out += ',';
        AppendFixed(out, SampleVolts(s2, info.probeRow[1], info.rangeRow[1]) + 0.0, 6);
        out += ',';
        AppendInt(out, s1);
        out += ',';
        AppendInt(out, s2);
        out += '\n';
    }
    return out;
}

Status WriteFrameCsv(const std::string& path, const CaptureStore& store,
                     const CsvExportInfo& info) {
    const Result<FileWritten> written = WriteWholeFile(path, FrameCsv(store, info));
    if (!written.Ok())
        return Failure{written.Reason()};
    return {};
}

} // namespace duruz
