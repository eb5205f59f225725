#pragma once

#include "WindowView.h"

// The control ids of the three dialog templates. The numbers are those of
// the templates' `controlId` properties (ui/res/*.ui): the binding table,
// the routing table and the templates are keyed by them, so they never
// change. Everything else names a control through these.
namespace ctl {

// Main window (OrletDlg.ui).
enum MainWindow : int {
    CloseButton = 1,
    Int0Trigger = 1001,
    OutputBox = 1002,
    UseInt0 = 1003,
    UseInt1 = 1004,
    Int1Trigger = 1005,
    GenerateButton = 1006,
    AboutButton = 1007,
    CopyCheck = 1008,
    CommentCheck = 1009,
    UseTimer0 = 1010,
    UseTimer1 = 1011,
    CrystalList = 1012,
    Timer0Mode = 1013,
    Timer1Mode = 1014,
    Timer0Period = 1019,
    Timer0Unit = 1020,
    BaudError = 1021,
    Gate0 = 1022,
    CustomMhz = 1023, // the custom frequency beside the crystal list
    Timer0Reload = 1024,
    Gate1 = 1025,
    Timer1Period = 1026,
    Timer1Unit = 1027,
    Timer1Reload = 1028,
    BaudList = 1029,
    UartInterrupt = 1030,
    UseUart = 1031,
    DoubleBaud = 1032,
    BaudReload = 1033,
    // Added after the template's controls: the exact count and, per timer,
    // the real-period line and the software counter; then drift-free timing.
    ExactCheck = 1034,
    Timer0Actual = 1035,
    Timer0Postscale = 1036,
    Timer1Actual = 1037,
    Timer1Postscale = 1038,
    DriftFreeCheck = 1039,
    ChipList = 1040, // the chip the numbers and the code are for
    // Shown only where the chip offers them: each timer's 1T/12T clock
    // (STC15/STC8) and 6T mode (STC89).
    Timer0Clock = 1041,
    Timer1Clock = 1042,
    SixTCheck = 1043,
    UartTimer2 = 1044, // the serial port's rate from timer 2, where there is one
    // Timer 2's block, shown on chips that have timer 2 (the frame grows to
    // hold it).
    UseTimer2 = 1045,
    Timer2Mode = 1046,
    Timer2Period = 1047,
    Timer2Unit = 1048,
    Timer2Reload = 1049,
    Timer2Actual = 1050,
    Timer2Postscale = 1051,
    Timer2Clock = 1052,
    VendorHeader = 1053, // STC15/STC8: the vendor's header instead of declarations
    // The serial port's real rate, and the fixes of one beyond the
    // tolerance: a row the serial block grows by once a rate is computed.
    BaudActual = 1054,
    BaudFixes = 1055,
};

// The main window's controls that show the core's view (orlet::ViewOf), by
// their names there; timer 2's block has no GATE.
struct ViewedControl {
    orlet::Control control;
    int id;
};

namespace detail {
    using orlet::Control;
    using orlet::TimerControl;
    using orlet::TimerPart;
    inline constexpr ViewedControl kViewedControls[] = {
        { Control::UseInt0, UseInt0 },
        { Control::Int0Trigger, Int0Trigger },
        { Control::UseInt1, UseInt1 },
        { Control::Int1Trigger, Int1Trigger },
        { Control::CrystalList, CrystalList },
        { Control::CustomMhz, CustomMhz },
        { Control::ChipList, ChipList },
        { Control::SixTCheck, SixTCheck },
        { Control::ExactCheck, ExactCheck },
        { Control::DriftFreeCheck, DriftFreeCheck },
        { Control::VendorHeader, VendorHeader },
        { Control::CommentCheck, CommentCheck },
        { Control::CopyCheck, CopyCheck },
        { Control::UseUart, UseUart },
        { Control::BaudList, BaudList },
        { Control::DoubleBaud, DoubleBaud },
        { Control::UartInterrupt, UartInterrupt },
        { Control::UartTimer2, UartTimer2 },
        { Control::BaudReload, BaudReload },
        { Control::BaudError, BaudError },
        { Control::BaudActual, BaudActual },
        { Control::BaudFixes, BaudFixes },
        { TimerControl(0, TimerPart::Use), UseTimer0 },
        { TimerControl(0, TimerPart::Mode), Timer0Mode },
        { TimerControl(0, TimerPart::Gate), Gate0 },
        { TimerControl(0, TimerPart::Period), Timer0Period },
        { TimerControl(0, TimerPart::Unit), Timer0Unit },
        { TimerControl(0, TimerPart::Reload), Timer0Reload },
        { TimerControl(0, TimerPart::Actual), Timer0Actual },
        { TimerControl(0, TimerPart::Postscale), Timer0Postscale },
        { TimerControl(0, TimerPart::Clock), Timer0Clock },
        { TimerControl(1, TimerPart::Use), UseTimer1 },
        { TimerControl(1, TimerPart::Mode), Timer1Mode },
        { TimerControl(1, TimerPart::Gate), Gate1 },
        { TimerControl(1, TimerPart::Period), Timer1Period },
        { TimerControl(1, TimerPart::Unit), Timer1Unit },
        { TimerControl(1, TimerPart::Reload), Timer1Reload },
        { TimerControl(1, TimerPart::Actual), Timer1Actual },
        { TimerControl(1, TimerPart::Postscale), Timer1Postscale },
        { TimerControl(1, TimerPart::Clock), Timer1Clock },
        { TimerControl(2, TimerPart::Use), UseTimer2 },
        { TimerControl(2, TimerPart::Mode), Timer2Mode },
        { TimerControl(2, TimerPart::Period), Timer2Period },
        { TimerControl(2, TimerPart::Unit), Timer2Unit },
        { TimerControl(2, TimerPart::Reload), Timer2Reload },
        { TimerControl(2, TimerPart::Actual), Timer2Actual },
        { TimerControl(2, TimerPart::Postscale), Timer2Postscale },
        { TimerControl(2, TimerPart::Clock), Timer2Clock },
    };
} // namespace detail
using detail::kViewedControls;

// The id of `control`; 0 where the window has none.
constexpr int IdOf(orlet::Control control)
{
    for (const ViewedControl& viewed : kViewedControls) {
        if (viewed.control == control)
            return viewed.id;
    }
    return 0;
}

// Custom-frequency dialog (MyCry.ui).
enum CustomCrystalDialog : int {
    CustomOkButton = 1,
    CustomCancelButton = 2,
    CustomMhzInput = 1002,
};

// The rate dialog of the rate list's "其他…" entry (BaudDlg.ui).
enum OtherBaudDialog : int {
    BaudOkButton = 1,
    BaudCancelButton = 2,
    BaudInput = 1002,
};

// About box (AboutDlg.ui).
enum AboutDialog : int {
    AboutOkButton = 1,
};

} // namespace ctl
