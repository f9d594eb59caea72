// The window's signal generator controls: one command per channel on Update,
// followed at once by a fresh capture request.
#include "app/tform2.h"

#include "link/commands.h"
#include "toolkit/application.h"

namespace duruz {

void TForm2::UpdateSigGen(int channel) {
    // The next timer tick sets the cursor back from the capture state.
    SetCursor(tk::Cursor::Busy);
    tk::ListBox& waveform = channel == 0 ? Waveform1 : Waveform2;
    tk::EditBox& frequency = channel == 0 ? Freq1 : Freq2;
    tk::EditBox& amplitude = channel == 0 ? Ampl1 : Ampl2;

    // A text that is not a number raises here, before anything is sent or logged.
    const double hz = tk::StrToFloat(frequency.Text());
    const double volts = tk::StrToFloat(amplitude.Text());

    const CommandText command = SigGenCommand(channel, waveform.ItemIndex(), hz, volts);
    sentWaveformCodes_[static_cast<std::size_t>(channel & 1)] = command.bytes[3] - '0';
    PostSetting(
        [command](LinkContext& link) { SendGeneratorCommand(link.link, link.log, command); });
    RequestCapture();
}

void TForm2::SigGenUpdateClick1() {
    UpdateSigGen(0);
}

void TForm2::SigGenUpdateClick2() {
    UpdateSigGen(1);
}

} // namespace duruz
