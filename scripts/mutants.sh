#!/usr/bin/env bash
# Applies single-line faults to a scratch copy of the tree, one at a time, rebuilds
# incrementally and runs the fast tests (all but the end-to-end runs of the real
# program and the install check; for a fault in the Win32 back end, its tests
# under Wine), then lists the faults no test caught. On demand,
# not in CI: it takes about a minute a fault.
#
#   bash scripts/mutants.sh            every fault below
#   bash scripts/mutants.sh 3 17       only those numbers
#
# Each fault is "file ::: text ::: replacement": the text must occur exactly once
# in the file. <NL> in either stands for a line break.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scratch=${MUTANTS_DIR:-/tmp/duruz-mutants}

read -r -d '' faults <<'EOF' || true
src/link/capture_stream.cpp ::: MarkerAt(store, 2) ? 2 : 3; ::: MarkerAt(store, 2) ? 2 : 4;
src/link/capture_stream.cpp ::: constexpr int kEmptyReadsBeforeData = 10; ::: constexpr int kEmptyReadsBeforeData = 9;
src/link/capture_stream.cpp ::: constexpr int kEmptyReadsAfterData = 80; ::: constexpr int kEmptyReadsAfterData = 81;
src/link/capture_stream.cpp ::: link.TickCount >= link.RequestDeadline ::: link.TickCount > link.RequestDeadline
src/link/capture_stream.cpp ::: if (completed == kRxChunkCount - 1) { ::: if (completed == kRxChunkCount - 2) {
src/link/capture_stream.cpp ::: if ((taken >= kDrainCapBytes || ::: if ((taken > kDrainCapBytes ||
src/link/commands.cpp ::: std::memcpy(text.bytes, "%z\r\n", 4); ::: std::memcpy(text.bytes, "%z\n\r", 4);
src/link/commands.cpp ::: out.Char(channel == 0 ? 'X' : 'Y'); ::: out.Char(channel != 0 ? 'X' : 'Y');
src/link/commands.h ::: constexpr float kMaxGeneratorHertz = 40000.0f; ::: constexpr float kMaxGeneratorHertz = 40001.0f;
src/link/open_port.cpp ::: const char* reason = "does not exist"; ::: const char* reason = "does not exists";
src/link/open_port.cpp ::: return "in use by another program"; ::: return "in use";
src/link/port_list.cpp ::: return last - 1; ::: return last;
src/link/link_thread.cpp ::: CaptureTick(link_, filling_, hold_.load(), outboxLog_); ::: CaptureTick(link_, filling_, false, outboxLog_);
src/link/link_thread.cpp ::: CopyFrame(finished_, frame); ::: ;
src/link/lost_port.h ::: if (!port.seenMissing && !relinked) ::: if (false)
src/link/input_ranges.h ::: {2, {"\26120 V", "\2612 V"}}, ::: {2, {"\26120 V", "\2613 V"}},
src/panel/sync_controls.cpp ::: IsXyMode(controls.sweepRow) ? ::: IsXyMode(controls.sweepRow - 1) ?
src/app/trigger_panel.cpp ::: polarity.OnClick = [this] { Report(TriggerPolarity, polarity.ItemIndex()); }; ::: polarity.OnClick = [this] {};
src/session/setting_steps.cpp ::: steps.push_back(Range(0, s.channels[0].rangeRow));<NL>    steps.push_back(Range(1, s.channels[1].rangeRow)); ::: steps.push_back(Range(1, s.channels[1].rangeRow));<NL>    steps.push_back(Range(0, s.channels[0].rangeRow));
src/session/config_table.h ::: constexpr std::int32_t kMaxWindowExtent = 8192; ::: constexpr std::int32_t kMaxWindowExtent = 8191;
src/session/config_table.cpp ::: flag = number != 0; ::: flag = number > 1;
src/session/instrument_session.cpp ::: linkSide_.PortOpen = delivery.portOpen; ::: ;
src/toolkit/qt/controls.cpp ::: } else if (row >= 0 && row < w->rows.size()) { ::: } else if (row >= 0 && row <= w->rows.size()) {
src/toolkit/qt/application.cpp ::: if (!grouped) { ::: if (grouped) {
src/view/screen_geometry.h ::: return ((sample + kFullScaleCount) * height) / (2 * kFullScaleCount); ::: return ((sample + kFullScaleCount) * height) / (2 * kFullScaleCount + 1);
src/view/sample_scale.h ::: return count >= kFullScaleCount; ::: return count > kFullScaleCount;
src/view/measure.cpp ::: constexpr std::int32_t kMinSwingCounts = 40; ::: constexpr std::int32_t kMinSwingCounts = 4;
src/view/diagnostic_log.cpp ::: "%4d, %5d, %5d, %08X, %08X\r\n" ::: "%4d, %5d, %5d, %08X, %08X\n"
src/serial/serial_posix.cpp ::: ICRNL | IXON | IXOFF | ::: ICRNL | IXOFF |
src/serial/serial_posix.cpp ::: case EBUSY:<NL>    case EWOULDBLOCK: ::: case EWOULDBLOCK:
src/sim/simulated_instrument.cpp ::: PutWord(header + 64, std::uint32_t(duruz::kSampleRate)); ::: PutWord(header + 64, std::uint32_t(duruz::kSampleRate) + 1);
src/link/lost_port.h ::: if (!port.lost)<NL>        return false; ::: if (false)<NL>        return false;
src/link/capture_stream.cpp ::: !link.RequestPending || taken >= kPollCapBytes ::: !link.RequestPending || taken > kPollCapBytes
src/sim/simulator_port.cpp ::: origin_ = std::max(requestArrived, LineTime(sent_)) + captureMicros_; ::: origin_ = requestArrived + captureMicros_;
src/sim/simulator_port.cpp ::: packetFill_ > 0 && PacketDue() <= std::min(now, next); ::: packetFill_ > 0 && PacketDue() < std::min(now, next);
src/link/same_device.cpp ::: if (!known.serialNumber.empty() || !candidate.serialNumber.empty()) ::: if (!known.serialNumber.empty() && !candidate.serialNumber.empty())
src/link/same_device.cpp ::: known.vendorId == candidate.vendorId && ::: true &&
src/session/session_ports.cpp ::: else<NL>        SayNotReopened(kMaybeAnother); ::: else<NL>        ReopenLostPort();
src/link/port_list.cpp ::: if (!Identified(known)) { ::: if (false) {
src/session/session_ports.cpp ::: if (lostPort_.lost || path != linkSide_.PortPath.data()) ::: if (lostPort_.lost)
src/session/session_ports.cpp ::: retryReopen_ = reopenTries_ > 0; ::: retryReopen_ = false;
src/link/capture_stream.cpp ::: answers && generation == link.SettingsGeneration ::: answers && generation <= link.SettingsGeneration
src/view/response_plot.cpp ::: if (i + 1 < points.size() && points[i + 1].measured) ::: if (i + 1 < points.size())
src/app/main_window.cpp ::: if (output.frameKept && !sweeping) { ::: if (output.frameKept) {
src/link/request_ledger.h ::: generation = runs_[0].generation; ::: generation = runs_[count_ - 1].generation;
src/session/recording_reader.cpp ::: if (!CrcMatches(bytes_) || ::: if (false ||
src/session/recording_reader.cpp ::: if (summary.frames > 0 && silence > allowed && !gapRecorded) ::: if (summary.frames > 0 && silence > allowed)
src/link/commands.h ::: kGeneratorSettleMicros = 129'000; ::: kGeneratorSettleMicros = 128'000;
src/link/capture_stream.cpp ::: if (between && taken == 0 && budget == 0) ::: if (taken == 0 && budget == 0)
src/link/open_port.cpp :::     link.PortUnconfigured = true; :::     link.PortUnconfigured = false;
src/view/measure.cpp ::: m.clippedLow = atBottom >= kClippedSamples; ::: m.clippedLow = atTop >= kClippedSamples;
src/app/main_window.cpp ::: return ports.portList.Item(row); ::: return ports.portList.Item(0);
src/link/capture_stream.cpp ::: link.RequestPending = !link.Ledger.Empty(); ::: link.RequestPending = false;
src/serial/read_deadline.h ::: if (got > 0 && gapMicros > 0 ::: if (gapMicros > 0
src/base/whole_file_writer_posix.cpp ::: if (exists && IsReadOnly(path, old)) ::: if (false)
src/view/status_texts.cpp ::: return {port, step.empty() ? Open : Unconfigured, step}; ::: return {port, Open, step};
src/app/command_line.cpp ::: return ms <= kMaxSimulatorMs ? ::: return ms < kMaxSimulatorMs ?
src/toolkit/pixel_buffer.h ::: 0xFF000000u | ((color & 0xFF) << 16) | ::: 0xFF000000u | ((color & 0xFF) << 8) |
src/app/vertical_panel.cpp ::: Report(PanelEdit::Kind::Range, c, ranges_[c]->ItemIndex()); ::: Report(PanelEdit::Kind::Range, 0, ranges_[c]->ItemIndex());
src/app/generator_panel.cpp ::: quickUpdateB.OnClick = [this] { Report(SendGenerator, 1); }; ::: quickUpdateB.OnClick = [this] { Report(SendGenerator, 0); };
src/app/main_window.cpp ::: vertical.Show(session_.Settings()); // the range list relabelled for the probe ::: ;
src/app/main_window.cpp ::: if ((output.portRowsChanged || output.settingsChanged) && !sweeping) ::: if (output.settingsChanged && !sweeping)
src/session/config_table.cpp ::: if (number != -1 && (number < 0 || number >= rows)) ::: if (number != -1 && (number < 0 || number > rows))
src/session/config_table.cpp ::: change.movesTrigger = field.kind == Kind::Bar && change.changed; ::: change.movesTrigger = field.kind == Kind::Bar;
src/session/instrument_session.cpp ::: if (origin.generation != settingsGeneration_) { ::: if (origin.generation > settingsGeneration_) {
src/analysis/tone_fit.cpp ::: fit.amplitude = std::complex<double>(cosine, -sine) * toFirstSample; ::: fit.amplitude = std::complex<double>(cosine, sine) * toFirstSample;
src/sim/simulated_instrument.cpp ::: cycles += std::arg(response) / (2.0 * std::numbers::pi); ::: cycles -= std::arg(response) / (2.0 * std::numbers::pi);
src/link/frame_rate_meter.cpp ::: if (framesReceived < seen_)<NL>        seen_ = 0; ::: if (false)<NL>        seen_ = 0;
src/session/instrument_session.cpp ::: if (requestAfterGenerator) ::: if (true)
src/cli/cli_options.cpp ::: !(*hz >= kMinGeneratorHertz && ::: !(*hz > kMinGeneratorHertz &&
src/cli/cli_run.cpp ::: request.durationSeconds <= 0 && written == request.frames) { ::: request.durationSeconds <= 0 && written > request.frames) {
src/cli/cli_run.cpp ::: return summary.Value().extent.intact ? kExitOk : kExitRecordingDamaged; ::: return kExitOk;
src/cli/cli_options.cpp ::: r.simulatorOptions.paced = false; ::: r.simulatorOptions.paced = true;
src/sim/simulated_instrument.h ::: bool paced = true; ::: bool paced = false;
src/app/main_window.cpp ::: if (shown_.Active()) {<NL>        // A recording is shown ::: if (false) {<NL>        // A recording is shown
src/session/recording_playback.cpp ::: return std::clamp<std::int64_t>(micros / 1000, 0, kLongestPlaybackWaitMs); ::: return micros / 1000;
src/view/export_csv.cpp ::: return WholeInt(fields[0], rowIndex) && rowIndex == index && ::: return WholeInt(fields[0], rowIndex) &&
src/cli/cli_run.cpp ::: SessionRecorder::Create(request.output, DURUZ_VERSION, session, request.force); ::: SessionRecorder::Create(request.output, DURUZ_VERSION, session, true);
src/session/session_recorder.cpp ::: if (portLost_) ::: if (false)
src/session/session_recorder.cpp ::: return output.frameKept ? AddFrame(session, nullptr) : Status{}; ::: return output.tickDone ? AddFrame(session, nullptr) : Status{};
src/link/capture_stream.cpp ::: link.RequestDeadline = std::min(link.RequestDeadline, link.TickCount + 2); ::: link.RequestDeadline = std::min(link.RequestDeadline, link.TickCount + 3);
src/toolkit/win32/form.cpp ::: info.bmiHeader.biHeight = -pixels.Height(); ::: info.bmiHeader.biHeight = pixels.Height();
src/view/export_csv.cpp ::: if (end != std::string_view::npos && line.ends_with('\r')) ::: if (end != std::string_view::npos && line.ends_with('\n'))
src/session/recording_playback.cpp ::: return start.starts_with('\n') || start.starts_with("\r\n"); ::: return start.starts_with('\n');
src/toolkit/win32/popup_menu.cpp ::: if (chosen.handler && chosen.enabled) ::: if (chosen.handler)
src/session/frame_averager.cpp ::: return generation == generation_ && a.sweepRow == b.sweepRow && ::: return a.sweepRow == b.sweepRow &&
src/session/frame_averager.cpp ::: const float weight = 1.0f / float(filled_); ::: const float weight = 1.0f / float(n);
src/analysis/frequency_sweep.cpp ::: session_.SetTrigger(userTrigger_.sourceRow, userTrigger_.polarityRow, userTrigger_.levelBar); ::: ;
src/analysis/frequency_sweep.cpp ::: point.ratio = curve ? Calibrated(average_.Mean(), curve->points, hertz) : average_.Mean(); ::: point.ratio = std::conj(average_.Mean());
src/analysis/frequency_sweep.cpp ::: channel1Fill <= kFillLimit && channel1Fill >= kMinChannel1Fill) ::: channel1Fill <= kFillLimit)
src/analysis/frequency_sweep.cpp ::: settledRow2_ = visits_.empty() ? -1 : points_.back().rangeRows[1]; ::: settledRow2_ = -1;
src/view/trace_cursors.cpp ::: std::int32_t nearestDistance = kCursorPickPixels + 1; ::: std::int32_t nearestDistance = kCursorPickPixels + 2;
src/session/cursor_file.cpp ::: number < kCursorKeys[k].low || number > kCursorKeys[k].high) ::: number < kCursorKeys[k].low || number > kCursorKeys[k].high + 1)
src/session/session_recorder.cpp ::: return output.frameKept && newAverage != nullptr ? AddFrame(session, newAverage) : Status{}; ::: return output.frameKept ? AddFrame(session, newAverage) : Status{};
src/session/recording_reader.cpp ::: kFrameGapMicros * (averaged ? std::max<std::int64_t>(record.framesAveraged, 1) : 1); ::: kFrameGapMicros;
src/view/redraw_screen.cpp ::: const double scale = ownVoltsPerCount / screenVoltsPerCount; ::: const double scale = screenVoltsPerCount / ownVoltsPerCount;
src/session/reference_store.cpp ::: bytes[4 * i + std::size_t(b)] ::: bytes[4 * i + 3 - std::size_t(b)]
src/session/reference_store.cpp ::: if (error == std::errc::no_such_file_or_directory) ::: if (error)
src/view/export_csv.cpp ::: countsPerVolt[c] = volts != 0.0 ? 1.0 / volts : 0.0; ::: countsPerVolt[c] = volts != 0.0 ? volts : 0.0;
src/app/window_references.cpp ::: ReferenceFileName(newName)).string());<NL>        KeepShownReferences(); ::: ReferenceFileName(newName)).string());
src/toolkit/qt/image_export.cpp ::: std::copy(row, row + image.width(), pixels.Row(y)); ::: std::copy(row, row + image.width(), pixels.Row(0));
src/toolkit/win32/form.cpp ::: if (StateOf(hwnd) == nullptr || !IsWindowVisible(hwnd)) ::: if (StateOf(hwnd) == nullptr)
src/link/port_list.cpp ::: path.size() > kDeviceNamespace.size()) ::: path.size() >= kDeviceNamespace.size())
EOF

# Lines count from 1; a selection on the command line narrows the run.
mapfile -t lines <<<"$faults"
selected=("$@")
if [ ${#selected[@]} -eq 0 ]; then
    for i in "${!lines[@]}"; do selected+=($((i + 1))); done
fi

echo "== scratch copy in $scratch"
# The tracked files as they stand in the working tree; the scratch build is kept
# between runs, so a second run builds only what changed.
mkdir -p "$scratch"
find "$scratch" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$scratch"
cd "$scratch"
# The Linux build only for faults outside the Win32 back end, which it never compiles.
need_linux=false
for n in "${selected[@]}"; do
    [[ ${lines[$((n - 1))]} == src/toolkit/win32/* ]] || need_linux=true
done
if $need_linux; then
    cmake --preset default >/dev/null
    cmake --build build >/dev/null
fi

# The end-to-end runs of the program and the install check are left out: they take
# most of the suite's time and guard what the unit tests guard too.
fast_tests=(-E '^(StartUp\.|Capture\.|InstallTree$)')

# A fault in the Win32 back end is built by the MinGW build and caught, or not, by
# its tests under Wine on a display of their own.
windows_tests() {
    if [ ! -f build-win/build.ninja ]; then
        cmake --preset mingw >/dev/null
    fi
    cmake --build build-win --target test_toolkit_win32 >/dev/null 2>&1 || return 2
    WINEPREFIX="$scratch/build-win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        timeout 300 xvfb-run -a wine build-win/tests/toolkit/test_toolkit_win32.exe \
        </dev/null >/dev/null 2>&1
    local status=$?
    WINEPREFIX="$scratch/build-win/wineprefix" wineserver -k >/dev/null 2>&1 || true
    return $status
}

# Applies fault line $1 ("file ::: text ::: replacement") and prints its file.
apply() {
    python3 - "$1" <<'PY'
import sys
path, old, new = (part.strip().replace('<NL>', '\n') for part in sys.argv[1].split(':::'))
text = open(path, encoding='latin-1').read()
if text.count(old) != 1:
    sys.exit(f"{path}: the text occurs {text.count(old)} times: {old!r}")
open(path, 'w', encoding='latin-1').write(text.replace(old, new))
print(path)
PY
}

survived=()
for n in "${selected[@]}"; do
    fault=${lines[$((n - 1))]}
    file=$(echo "${fault%%:::*}" | xargs)
    cp "$file" "$file.orig"
    if ! apply "$fault" >/dev/null; then
        mv "$file.orig" "$file"
        echo "!! $n: could not apply"
        survived+=("$n (not applied)")
        continue
    fi
    windows_status=0
    if [[ $file == src/toolkit/win32/* ]]; then
        windows_tests || windows_status=$?
    fi
    if [ $windows_status -eq 2 ]; then
        verdict="caught (does not build)"
    elif [ $windows_status -ne 0 ]; then
        verdict="caught"
    elif [[ $file == src/toolkit/win32/* ]]; then
        verdict="SURVIVED"
        survived+=("$n")
    elif ! cmake --build build >/dev/null 2>&1; then
        verdict="caught (does not build)"
    elif QT_QPA_PLATFORM=offscreen ctest --test-dir build "${fast_tests[@]}" -j2 \
        --timeout 120 >/dev/null 2>&1; then
        verdict="SURVIVED"
        survived+=("$n")
    else
        verdict="caught"
    fi
    mv "$file.orig" "$file"
    touch "$file"
    printf '%3d %-24s %s\n' "$n" "$verdict" "$fault"
done
if $need_linux; then
    cmake --build build >/dev/null 2>&1 || true
fi

echo "== ${#selected[@]} faults, ${#survived[@]} survived${survived:+: ${survived[*]}}"
[ ${#survived[@]} -eq 0 ]
