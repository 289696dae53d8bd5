#pragma once

// How the test asks the probe DLL, hooked into Tarrow's GUI thread, about
// things only visible from inside that process (under Wine a menu or a font
// of another process cannot be read from outside).
//
// The test posts kRequestMessageName to Tarrow's main window with
// wParam = MAKEWPARAM(request kind, argument) and lParam = a request number.
// The probe answers in "%TEMP%\tarrow-e2e-probe-<Tarrow's pid>-<number>.txt",
// UTF-8, one "key=value" line each, values escaped like the double's args
// records (% CR LF as %25 %0D %0A); the file appears complete at once.
//
// kSystemMenu: "count=N", then per item "item=<id>\t<kind>\t<state hex>\t<text>"
//              with kind "string", "separator" or "popup".
// kControlFont (argument: control id): "face=", "height=", "weight=", "charset=",
//              or "font=none" when the control uses the system font.
// kDropFiles: drops files on the main window as the shell does: the probe
//              reads the paths from "...-<number>.in" beside the answer (one
//              "file=<path>" line each, escaped alike), builds the drop's
//              memory block in Tarrow's process and posts WM_DROPFILES to
//              the main window, then answers "files=N". Tarrow handles the
//              drop after the answer.
// Any request may instead answer "error=<what>".
namespace probe {

constexpr wchar_t kRequestMessageName[] = L"Tarrow.E2E.Probe.Request";
constexpr char kHookGetterName[] = "tarrowE2EProbeHook";

enum RequestKind : unsigned short {
    kSystemMenu = 1,
    kControlFont = 2,
    kDropFiles = 3,
};

} // namespace probe
