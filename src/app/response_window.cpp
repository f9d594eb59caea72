// The frequency response window: its settings, the sweep over the main window's
// session, the plot, the readouts, the reference curve and the exports.
#include "app/response_window.h"

#include "analysis/calibration.h"
#include "analysis/response_csv.h"
#include "analysis/response_csv_reader.h"
#include "app/main_window.h"
#include "app/suggested_names.h"
#include "base/whole_file_writer.h"
#include "serial/steady_time.h"
#include "toolkit/application.h"
#include "toolkit/image_canvas.h"
#include "toolkit/image_export.h"
#include "toolkit/standard_folders.h"
#include "view/number_text.h"

#include <cmath>
#include <utility>

namespace duruz {

namespace {

constexpr int kControlsHeight = 132;
constexpr int kRowHeight = 24;
constexpr int kMargin = 8;
constexpr tk::Color kLabelColor = 0x000000;
constexpr const char* kCsvFilter = "CSV files (*.csv)";

const char* const kCalibrationAdvice =
    "Calibration: connect input 1 and input 2 both to generator A, with no circuit "
    "between, then click \"Calibrate\" again.";

std::string Fixed(double value, int decimals) {
    std::string text;
    AppendFixed(text, value, decimals);
    return text;
}

std::string Hertz(double hertz) {
    std::string text;
    AppendNumber(text, hertz, std::chars_format::general, 4);
    return text + " Hz";
}

std::string CrossingText(const char* name, const CrossingReadout& crossing) {
    if (!crossing.found)
        return "";
    return std::string("; ") + name + " " + Hertz(crossing.hertz) + ", gain " +
           Fixed(crossing.gainDb, 2) + " dB, phase " + Fixed(crossing.phaseDegrees, 1) + "\xB0";
}

// A field's number in the user's locale, or why it is not one.
Result<double> FieldNumber(const tk::EditBox& box, const std::string& name) {
    try {
        return tk::StrToFloat(box.Text());
    } catch (const tk::ConversionError&) {
        return Failure{name + ", \"" + box.Text() + "\", is not a number"};
    }
}

Result<int> FieldCount(const tk::EditBox& box, const std::string& name) {
    const Result<double> number = FieldNumber(box, name);
    if (!number.Ok())
        return Failure{number.Reason()};
    const double value = number.Value();
    if (!(std::trunc(value) == value && std::abs(value) < 1e9))
        return Failure{name + ", \"" + box.Text() + "\", is not a whole number"};
    return int(value);
}

} // namespace

std::string ReadoutsText(const std::vector<SweepPoint>& points) {
    const SweepReadouts readouts = ReadSweepPoints(points);
    bool any = false;
    for (const PointReadout& point : readouts.points)
        any = any || point.measured;
    if (!any)
        return points.empty() ? "" : "No point measured";
    std::string text = "Maximum gain " + Fixed(readouts.maxGainDb, 2) + " dB" +
                       CrossingText("-3 dB below it at", readouts.lowerCorner) +
                       CrossingText("-3 dB above it at", readouts.upperCorner);
    text += readouts.phaseAt180.found ? "; phase -180\xB0 at " + Hertz(readouts.phaseAt180.hertz) +
                                            ", gain " + Fixed(readouts.phaseAt180.gainDb, 2) + " dB"
                                      : "; phase never reaches -180\xB0";
    return text;
}

FrequencyResponseWindow::FrequencyResponseWindow(MainWindow& main)
    : startHertz(*this, "50"), stopHertz(*this, "40000"), points(*this, "10"),
      linear(*this, "Linear", false), amplitudeVolts(*this, "1"), averageFrames(*this, "1"),
      extraSettleSeconds(*this, "0"), calibrationOn(*this, "Calibration on", false),
      start(*this, "Start"), stop(*this, "Stop"), calibrate(*this, "Calibrate"),
      loadReference(*this, "Load reference\x85"), exportCsv(*this, "Export CSV\x85"),
      savePlot(*this, "Save plot as PNG\x85"), progress(*this, ""), readouts(*this, ""),
      message(*this, ""), main_(main), sweep_(main.Session()) {
    SetCaption("Frequency response");
    SetFont("Tahoma", 11);
    SetClientSize(980, 660);
    // Each field with its label before it, along the top row.
    int x = kMargin;
    const auto field = [&](tk::EditBox& box, const char* label, int labelWidth) {
        labels_.push_back(std::make_unique<tk::EditBox>(*this, label));
        labels_.back()->MakeLabel(kLabelColor);
        labels_.back()->SetBounds(x, kMargin + 3, labelWidth, kRowHeight - 6);
        box.SetBounds(x + labelWidth, kMargin, 60, kRowHeight - 2);
        x += labelWidth + 60 + kMargin;
    };
    field(startHertz, "Start, Hz", 56);
    field(stopHertz, "Stop, Hz", 52);
    field(points, "Points a decade", 92);
    linear.SetBounds(x, kMargin, 64, kRowHeight - 2);
    x += 64 + kMargin;
    field(amplitudeVolts, "Amplitude, V", 76);
    field(averageFrames, "Frames averaged", 96);
    field(extraSettleSeconds, "Extra settling, s", 96);
    x = kMargin;
    const int row2 = kMargin + kRowHeight + 4;
    calibrationOn.SetBounds(x, row2, 110, kRowHeight - 2);
    x += 110 + kMargin;
    for (tk::Button* button : {&start, &stop, &calibrate, &loadReference, &exportCsv, &savePlot}) {
        const int width = button == &savePlot ? 130 : button == &loadReference ? 110 : 90;
        button->SetBounds(x, row2, width, kRowHeight);
        x += width + kMargin;
    }
    int row = row2 + kRowHeight + 6;
    for (tk::EditBox* line : {&progress, &readouts, &message}) {
        line->MakeLabel(kLabelColor);
        line->SetBounds(kMargin, row, 960, kRowHeight - 6);
        row += kRowHeight - 4;
    }
    message.SetTextColor(0x0000A0);
    stop.SetEnabled(false);
    linear.OnChange = [this] {
        labels_[2]->SetText(linear.Checked() ? "Points in all" : "Points a decade");
    };
    start.OnClick = [this] { StartClick(); };
    stop.OnClick = [this] { StopClick(); };
    calibrate.OnClick = [this] { CalibrateClick(); };
    loadReference.OnClick = [this] { LoadReferenceClick(); };
    exportCsv.OnClick = [this] { ExportCsvClick(); };
    savePlot.OnClick = [this] { SavePlotClick(); };
    OnResize = [this] { RedrawPlot(); };
    // Closing the window ends its sweep; the user's setting goes back.
    OnClose = [this] {
        if (sweep_.Running()) {
            sweep_.Stop();
            EndSweep(false);
        }
    };
    RedrawPlot();
}

Result<SweepRequest> FrequencyResponseWindow::RequestFromFields() const {
    SweepRequest request;
    SweepParameters& p = request.parameters;
    const Result<double> startValue = FieldNumber(startHertz, "the start");
    const Result<double> stopValue = FieldNumber(stopHertz, "the stop");
    const Result<int> pointsValue = FieldCount(points, "the points");
    const Result<double> amplitude = FieldNumber(amplitudeVolts, "the amplitude");
    const Result<int> frames = FieldCount(averageFrames, "the frames averaged");
    const Result<double> settle = FieldNumber(extraSettleSeconds, "the extra settling time");
    for (const std::string* reason :
         {&startValue.Reason(), &stopValue.Reason(), &pointsValue.Reason(), &amplitude.Reason(),
          &frames.Reason(), &settle.Reason()})
        if (!reason->empty())
            return Failure{*reason};
    p.startHertz = startValue.Value();
    p.stopHertz = stopValue.Value();
    p.spacing = linear.Checked() ? FrequencySpacing::Linear : FrequencySpacing::Logarithmic;
    (linear.Checked() ? p.pointCount : p.pointsPerDecade) = pointsValue.Value();
    p.amplitudeVolts = amplitude.Value();
    request.averageFrames = frames.Value();
    request.extraSettleSeconds = settle.Value();
    return request;
}

void FrequencyResponseWindow::StartClick() {
    calibrateAsked_ = false;
    Result<SweepRequest> request = RequestFromFields();
    if (!request.Ok())
        return Refuse("Sweep not started", request.Reason());
    SweepRequest sweep = request.Take();
    if (calibrationOn.Checked()) {
        const std::string path = CalibrationPathBeside(main_.Environment().configPath);
        Result<Calibration> calibration = ReadCalibrationFile(path);
        if (!calibration.Ok())
            return Refuse("Sweep not started: calibration on, but it cannot be read",
                          calibration.Reason());
        sweep.calibration = calibration.Take();
    }
    if (const Status started = StartSweep(sweep, false); !started.Ok())
        Refuse("Sweep not started", started.Reason());
}

void FrequencyResponseWindow::CalibrateClick() {
    if (!calibrateAsked_) {
        calibrateAsked_ = true;
        message.SetText(kCalibrationAdvice);
        return;
    }
    calibrateAsked_ = false;
    Result<SweepRequest> request = RequestFromFields();
    if (!request.Ok())
        return Refuse("Calibration not started", request.Reason());
    if (const Status started = StartSweep(request.Take(), true); !started.Ok())
        Refuse("Calibration not started", started.Reason());
}

Status FrequencyResponseWindow::StartSweep(SweepRequest request, bool calibrating) {
    if (sweep_.Running())
        return Failure{"a sweep is running; stop it first"};
    request.calibrating = calibrating;
    if (const std::string busy = main_.SweepRefusal(); !busy.empty())
        return Failure{busy};
    // Checked before the main window lets go of the setting, so a refusal changes nothing.
    if (const Result<std::vector<double>> plan = PlanSweep(request); !plan.Ok())
        return Failure{plan.Reason()};
    main_.SweepStarting();
    if (Status started = sweep_.Start(request, NowSeconds()); !started.Ok()) {
        main_.SweepEnded();
        return started;
    }
    calibrating_ = calibrating;
    complete_ = false;
    calibrationUsed_ = request.calibration;
    calibrationFile_ = calibrationUsed_.curves.empty()
                           ? ""
                           : CalibrationPathBeside(main_.Environment().configPath);
    lowestHertz_ = request.parameters.startHertz;
    highestHertz_ = request.parameters.stopHertz;
    ShowRunning(true);
    message.SetText(calibrating ? "Calibrating: both inputs on generator A" : "");
    ShowProgress();
    readouts.SetText("");
    RedrawPlot();
    return {};
}

// Only Stop works on a running sweep; the rest would start another or export half.
void FrequencyResponseWindow::ShowRunning(bool running) {
    for (tk::Button* button : {&start, &calibrate, &exportCsv})
        button->SetEnabled(!running);
    stop.SetEnabled(running);
}

void FrequencyResponseWindow::StopClick() {
    if (!sweep_.Running())
        return;
    sweep_.Stop();
    EndSweep(false);
}

// A delivery while the sweep starts or restores (the session may deliver from inside
// its setters) is not the sweep's.
void FrequencyResponseWindow::Collected(const SessionOutput& output) {
    if (!sweep_.Running())
        return;
    const std::size_t before = sweep_.Points().size();
    sweep_.Collected(output, NowSeconds());
    if (sweep_.Points().size() != before) {
        ShowProgress();
        readouts.SetText(ReadoutsText(sweep_.Points()));
        RedrawPlot();
    }
    if (!sweep_.Running())
        EndSweep(true);
}

// The sweep has ended and its restore sent: the main window shows the user's setting.
void FrequencyResponseWindow::EndSweep(bool complete) {
    complete_ = complete;
    main_.SweepEnded();
    ShowRunning(false);
    const SweepProgress done = sweep_.Progress(NowSeconds());
    progress.SetText((complete ? "Complete: " : "Stopped after ") + std::to_string(done.done) +
                     " of " + std::to_string(done.total) + " points");
    readouts.SetText(ReadoutsText(sweep_.Points()));
    message.SetText("");
    if (!sweep_.RestoreProblem().empty()) {
        main_.status.memo.Add("The sweep could not give the setting back: " +
                              sweep_.RestoreProblem());
        message.SetText("Setting not all given back: " + sweep_.RestoreProblem());
        ShowError("The sweep could not give the setting back:\n" + sweep_.RestoreProblem());
    }
    if (std::exchange(calibrating_, false)) {
        if (complete)
            SaveCalibration();
        else
            message.SetText("Calibration stopped: nothing saved");
    }
}

void FrequencyResponseWindow::SaveCalibration() {
    const std::string path = CalibrationPathBeside(main_.Environment().configPath);
    const Calibration calibration = CalibrationFromPoints(sweep_.Points());
    const Status written = calibration.curves.empty()
                               ? Status{Failure{"no point of the sweep was measured"}}
                               : WriteCalibrationFile(path, calibration);
    if (!written.Ok())
        return Refuse("Calibration not saved", written.Reason());
    message.SetText("Calibration saved to " + path);
    main_.status.memo.Add("Calibration saved to " + path);
}

void FrequencyResponseWindow::LoadReferenceClick() {
    const std::string path =
        main_.Environment().askOpenPath
            ? main_.Environment().askOpenPath("Load reference")
            : tk::AskOpenFileName(*this, "Load reference", "CSV files (*.csv);;All files (*)");
    if (path.empty())
        return;
    Result<std::vector<ResponsePlotPoint>> loaded = ReadResponseCsvFile(path);
    if (!loaded.Ok())
        return Refuse("Reference not loaded", loaded.Reason());
    reference_ = loaded.Take();
    message.SetText("Reference: " + path);
    RedrawPlot();
}

void FrequencyResponseWindow::ExportCsvClick() {
    if (sweep_.Points().empty())
        return Refuse("Nothing exported", "no sweep has measured a point yet");
    const std::string path = AskSavePath(
        "Export response as CSV",
        InFolder(tk::DocumentsFolder(), "response-" + LocalTime("%Y%m%d-%H%M%S") + ".csv"));
    if (path.empty())
        return;
    const std::vector<SweepPoint>& points = sweep_.Points();
    const Result<FileWritten> written = WriteWholeFile(
        path, ResponseCsv(points, complete_) +
                  CalibrationLine(calibrationFile_, calibrationUsed_, points.front().probeRows));
    if (!written.Ok())
        Refuse("Could not save " + path, written.Reason());
}

void FrequencyResponseWindow::SavePlotClick() {
    const std::string path = AskSavePath(
        "Save plot as PNG",
        InFolder(tk::PicturesFolder(), "response-" + LocalTime("%Y%m%d-%H%M%S") + ".png"));
    if (path.empty())
        return;
    const PixelRect area = PlotLayout().Area();
    const Status saved =
        tk::SaveImagePng(Image().Pixels(), {area.left, area.top, area.width, area.height}, path);
    if (!saved.Ok())
        Refuse("Could not save " + path, saved.Reason());
}

void FrequencyResponseWindow::Refuse(const std::string& what, const std::string& reason) {
    message.SetText(what + ": " + reason);
    ShowError(what + ":\n" + reason);
}

void FrequencyResponseWindow::ShowProgress() {
    const SweepProgress done = sweep_.Progress(NowSeconds());
    std::string text = "Point " + std::to_string(done.done) + " of " + std::to_string(done.total);
    if (done.done > 0)
        text += ", about " + std::to_string(std::lround(done.secondsLeft)) + " s left";
    progress.SetText(text);
}

std::vector<ResponsePlotPoint> FrequencyResponseWindow::PlottedPoints() const {
    const SweepReadouts read = ReadSweepPoints(sweep_.Points());
    std::vector<ResponsePlotPoint> shown;
    // A calibration's visits to other ranges are no points of the curve.
    for (std::size_t i = 0; i < read.points.size(); ++i)
        if (!sweep_.Points()[i].rangeVisit)
            shown.push_back({sweep_.Points()[i].hertz, read.points[i].gainDb,
                             read.points[i].phaseDegrees, read.points[i].measured});
    return shown;
}

ResponsePlotLayout FrequencyResponseWindow::PlotLayout() const {
    const PixelRect area{0, kControlsHeight, ClientWidth(),
                         std::max(1, ClientHeight() - kControlsHeight)};
    return ResponsePlotLayout(area, PlottedPoints(), reference_, lowestHertz_, highestHertz_);
}

void FrequencyResponseWindow::RedrawPlot() {
    const std::vector<ResponsePlotPoint> shown = PlottedPoints();
    DrawResponsePlot(GetCanvas(), PlotLayout(), shown, reference_);
}

double FrequencyResponseWindow::NowSeconds() const {
    const auto& clockMs = main_.Environment().clockMs;
    return clockMs ? double(clockMs()) / 1e3 : double(serial::SteadyMicros()) / 1e6;
}

std::string FrequencyResponseWindow::AskSavePath(const std::string& title,
                                                 const std::string& suggested) {
    if (main_.Environment().askSavePath)
        return main_.Environment().askSavePath(title, suggested);
    return tk::AskSaveFileName(*this, title, suggested,
                               suggested.ends_with(".png") ? "PNG pictures (*.png)" : kCsvFilter);
}

void FrequencyResponseWindow::ShowError(const std::string& text) {
    if (main_.Environment().showError)
        main_.Environment().showError(text);
    else
        tk::ShowErrorMessage(*this, text);
}

} // namespace duruz
