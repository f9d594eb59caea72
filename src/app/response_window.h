#pragma once

#include "analysis/calibration.h"
#include "analysis/frequency_sweep.h"
#include "toolkit/form.h"
#include "view/response_plot.h"

#include <memory>
#include <string>
#include <vector>

namespace duruz {

class MainWindow;

// The frequency response window: a sweep's settings, the sweep run over the main
// window's session, its gain and phase plotted as each point arrives, the readouts,
// a reference curve from an earlier export, and the exports. While a sweep runs the
// main window hands every session delivery to Collected and leaves the instrument's
// setting alone; the sweep's end puts the user's setting back and tells the main
// window.
class FrequencyResponseWindow : public tk::Form {
public:
    explicit FrequencyResponseWindow(MainWindow& main);

    // Starts a sweep with the settings shown; bad settings are refused with the reason,
    // nothing sent.
    void StartClick();
    void StopClick();
    // The first click asks for both inputs on the generator; the second measures, and
    // the curve is saved beside Config.Ini once the sweep is complete.
    void CalibrateClick();
    void LoadReferenceClick();
    void ExportCsvClick();
    void SavePlotClick();

    // What the main window's session delivered while a sweep runs.
    void Collected(const SessionOutput& output);
    bool SweepRunning() const { return sweep_.Running(); }
    const std::vector<SweepPoint>& Points() const { return sweep_.Points(); }
    const std::vector<ResponsePlotPoint>& Reference() const { return reference_; }
    // The plot as drawn: where, and the points with their unwrapped phase.
    ResponsePlotLayout PlotLayout() const;
    std::vector<ResponsePlotPoint> PlottedPoints() const;

    tk::EditBox startHertz;
    tk::EditBox stopHertz;
    tk::EditBox points; // per decade, or in all for a linear sweep
    tk::CheckBox linear;
    tk::EditBox amplitudeVolts;
    tk::EditBox averageFrames;
    tk::EditBox extraSettleSeconds;
    tk::CheckBox calibrationOn;
    tk::Button start;
    tk::Button stop;
    tk::Button calibrate;
    tk::Button loadReference;
    tk::Button exportCsv;
    tk::Button savePlot;
    tk::EditBox progress;
    tk::EditBox readouts;
    tk::EditBox message; // the last refusal, failure or instruction

private:
    // The request the fields describe, or why they describe none.
    Result<SweepRequest> RequestFromFields() const;
    Status StartSweep(SweepRequest request, bool calibrating);
    void EndSweep(bool complete);
    void ShowRunning(bool running);
    void SaveCalibration();
    void Refuse(const std::string& what, const std::string& reason);
    void ShowProgress();
    void RedrawPlot();
    double NowSeconds() const;
    std::string AskSavePath(const std::string& title, const std::string& suggested);
    void ShowError(const std::string& text);

    MainWindow& main_;
    std::vector<std::unique_ptr<tk::EditBox>> labels_;
    FrequencySweep sweep_;
    std::vector<ResponsePlotPoint> reference_;
    double lowestHertz_ = kMinSweepHertz;
    double highestHertz_ = 40000.0;
    bool complete_ = false;    // the last sweep reached its stop
    bool calibrating_ = false; // the sweep running is a calibration
    // The calibration the last sweep divided out, and its file, for the export.
    Calibration calibrationUsed_;
    std::string calibrationFile_;
    bool calibrateAsked_ = false;
};

// "Maximum gain 0.00 dB; -3 dB at 1000 Hz, phase -45.0°; ..." for the points.
std::string ReadoutsText(const std::vector<SweepPoint>& points);

} // namespace duruz
