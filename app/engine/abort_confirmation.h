#pragma once
// The question asked before anything is sent to a busy engine, and the one table of its texts
// that every window asking it uses. The viewer answers with a message box; tests answer
// themselves.

namespace tavrine {

// The question texts (a line break is "\n"): any action, closing the main window, saving a
// screen shot, changing the size.
inline constexpr const char* kAbortText = "Now rendering, Abort current process?";
inline constexpr const char* kAbortToExitText =
    "Now rendering. Abort current process to exit the program?";
inline constexpr const char* kAbortToSaveText =
    "Now rendering. Save the file after the precedeing process is finnished.\n\nAbort current "
    "process?";
inline constexpr const char* kAbortToResizeText =
    "Now rendering. Change the size after the preceding process is finnished.\n\nAbort current "
    "process?";

// Asks the user whether to abort the running job. Called on the window thread only.
class AbortConfirmation {
  public:
    virtual ~AbortConfirmation() = default;

    // Shows |text| with the caption "Confirmation", Yes and No, the warning icon and No as the
    // default, repaints the owner window, and returns true for Yes. May run a nested event loop.
    virtual bool askAbort(const char* text) = 0;
};

}  // namespace tavrine
