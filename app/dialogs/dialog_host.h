#pragma once
// What the settings dialogs need from the main window: the few actions that reach outside a
// dialog (the view panel, the render window, the engine's queue, the model list).

#include <QString>
#include <cstdint>

namespace tavrine {

// The render area in force: the size mode (0 = fixed size on the main window, 1 = separate
// render window) and the separate window's picture width W (32 to 512).
struct RenderLayout {
    int32_t sizeMode = 0;
    int32_t imageWidth = 270;
};

// The main window's side of the settings dialogs. Every method is called on the GUI thread,
// while the dialog is open or right after it closed; none may block for long.
class DialogHost {
  public:
    virtual ~DialogHost() = default;

    // Returns whether the engine is busy with a rendering (the window thread's renderBusy flag).
    virtual bool renderBusy() const = 0;
    // Asks question (caption "Confirmation", Yes and No, warning icon, No the default) and posts
    // the engine command Abort when the user answers Yes.
    virtual void confirmAbort(const QString& question) = 0;
    // Activates the main window and brings it to the foreground.
    virtual void bringMainWindowToFront() = 0;

    // Recomposes the view panel at once with the trail of the view point shown or hidden, no
    // overlay highlighted, and repaints the panel's rectangle. Changes no setting.
    virtual void showTrailPreview(bool shown) = 0;

    // Returns the size mode and picture width the render area was last laid out for.
    virtual RenderLayout renderLayout() const = 0;
    // Shows or hides the main window's "-> Render Window" button (control 1021).
    virtual void showRenderWindowButton(bool shown) = 0;
    // Destroys the render window "RenderWnd" if it exists and opens it anew for width x width.
    virtual void recreateRenderWindow(int32_t width) = 0;
    // Hides the render window if it exists.
    virtual void hideRenderWindow() = 0;
    // Sets the render geometry handed to later render jobs for sizeMode and imageWidth; what
    // renderLayout() returns from now on.
    virtual void setRenderGeometry(int32_t sizeMode, int32_t imageWidth) = 0;
    // Replaces the render picture by a new, empty width x width picture.
    virtual void replaceRenderPicture(int32_t width) = 0;
    // Brings the render window to the top of the z-order and shows it, without moving or
    // resizing it.
    virtual void raiseRenderWindow() = 0;
    // Fills the main window's render area (33, 245, 199 x 199) with the panel colour and
    // repaints it, so that the old picture disappears from the main window.
    virtual void clearMainRenderArea() = 0;
    // Posts the engine command RedrawPreview (7120).
    virtual void postRedrawPreview() = 0;

    // Makes entry modelIndex (23 to 27) of the model list the current model: selects it in the
    // model list, resets the view for the model and the stone pose and light for the current
    // stone, and posts the engine command RebuildModel (7055). Called only when no rendering
    // runs; settings.modelIndex is already set.
    virtual void makeModelCurrent(int32_t modelIndex) = 0;
};

}  // namespace tavrine
