#pragma once
// The main window: the menu bar, the client area with its painted panel and its controls, the
// keys and drags, and the requests it sends to the engine.

#include <QImage>
#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/dialogs/dialog_host.h"
#include "app/session/session.h"
#include "app/settings/settings_file.h"
#include "app/ui/owner_draw_button.h"
#include "app/ui/viewer_engine.h"
#include "app/ui/window_port.h"

class QAction;
class QActionGroup;
class QLineEdit;
class QMenu;

namespace tavrine {
class AbortConfirmation;
class WindowProtocol;
}  // namespace tavrine

namespace tavrine::ui {

class DesignOpener;
struct DroppedFile;
class PanelList;
class RenderWindow;
class UpDownControl;
class WindowOutputs;

// The window title.
inline constexpr const char* kMainWindowTitle = "[   t  a  v  r  i  n  e   ]  version 4.06";

// The client area below the menu bar: copies the panel surface and the engine's boxes, takes
// the keyboard focus of the main window and reports presses, moves and releases.
class ClientArea : public QWidget {
    Q_OBJECT
  public:
    ClientArea(const QImage& surface, ViewerEngine& engine, QWidget* parent);

    // Sets the question whether a rendering runs (its picture then gets no stale tag).
    void setRenderingQuery(std::function<bool()> rendering) { rendering_ = std::move(rendering); }

  signals:
    void characterTyped(const QString& text);
    void leftPressed(QPoint point);
    void moved(QPoint point);
    void leftReleased(QPoint point);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const QImage& surface_;
    ViewerEngine& engine_;
    std::function<bool()> rendering_;
};

class MainWindow : public QMainWindow, public WindowPort {
    Q_OBJECT
  public:
    // Builds the window from the session's settings (read before), which the session changes as
    // the user works; the session and the engine must outlive the window. Nothing is started:
    // call startEngine() once shown.
    MainWindow(Session& session, ViewerEngine& engine, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Starts the engine and keyboard threads (the last step of start-up).
    void startEngine();

    // Returns the client area.
    ClientArea* clientArea() const { return client_; }
    QWidget* widget() override { return this; }
    QWidget* control(int32_t id) const override;
    QAction* action(int32_t commandId) const override { return actions_.value(commandId, nullptr); }
    RenderWindow* renderWindow() const override { return renderWindow_; }
    bool renderBusy() const override;
    void postRestoredPosition() override;

    // The user's requests, as the controls, keys and menus make them.
    void requestRender();
    void onListChosen(int32_t listId, int row);
    void stepIndexField(int step);
    bool checkRefractiveIndex() override;
    void showSelection() override;
    // Runs the command of a menu item or of a button standing for one.
    void runCommand(int32_t commandId);
    QMessageBox::StandardButton confirmAbort(const char* question) override;

    // Opens the render window anew for pictures width pixels wide (the old one is destroyed).
    void recreateRenderWindow(int32_t width);
    // Returns the size mode and width the render area was last laid out for.
    RenderLayout renderLayout() const { return renderLayout_; }
    // Sets the render geometry of later renders.
    void setRenderGeometry(int32_t sizeMode, int32_t imageWidth) {
        renderLayout_ = RenderLayout{sizeMode, imageWidth};
    }
    // Returns the engine side.
    ViewerEngine& engine() const { return engine_; }
    void makeModelCurrent(int32_t modelIndex) override;
    DialogHost& dialogHost() const override { return *dialogHost_; }
    // Returns the picture outputs (nullptr when the engine side has no session).
    WindowOutputs* outputs() const { return outputs_.get(); }

    // Sets what runs "Open Design... (&O)", fills "Recent Designs (&R)" and opens dropped files
    // (the items and drops do nothing without one).
    void setDesignOpener(DesignOpener* opener) { designOpener_ = opener; }
    DesignOpener* designOpener() const override { return designOpener_; }
    QMenu* recentDesignsMenu() const override { return recentMenu_; }

    // Keeps the refractive index field's value in the settings, brought into 1.00..3.00, as
    // closing the window does.
    void keepIndexFieldValue();

  public slots:
    // Opens the title window modally (the engine's blocking request at its start).
    void showTitleWindow();

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool canOpen(const DroppedFile& file) const;
    void buildMenus();
    // Adds the "Lighting" submenu of radio items to the View menu.
    void addLightingMenu(QMenu* view, const char* caption);
    // The View menu's "Face Up (&U)" and the lightings' radio items.
    void turnFaceUp();
    void chooseLightingItem(int32_t commandId);
    void createControls();
    void initialise();
    void connectControls();
    void onCharacter(const QString& text);
    void onLeftPressed(QPoint point);
    void onMoved(QPoint point);
    void onLeftReleased();
    // Sends the render window's abort requests and end notices to the engine protocol.
    void connectRenderWindow();
    void updateHeldKey(int key, bool held);
    void choosePolygonColour(int index);
    void setSwitch(int32_t id, bool on);
    // Opens the dialog or question shown above the render window when that stays on top.
    void keepAboveRenderWindow(QWidget* shown);

    Session& session_;
    const Settings& settings_;  // the session's, changed only through the session
    ViewerEngine& engine_;
    QImage surface_;
    ButtonStyle style_;
    ClientArea* client_ = nullptr;
    QMap<int32_t, QWidget*> controls_;
    QMap<int32_t, QAction*> actions_;
    QActionGroup* polygonGroup_ = nullptr;
    PanelList* lists_[3] = {nullptr, nullptr, nullptr};
    QLineEdit* indexField_ = nullptr;
    UpDownControl* upDown_ = nullptr;
    RenderWindow* renderWindow_ = nullptr;
    // Where the render window was last seen, for the next one made.
    std::optional<QPoint> renderWindowPlace_;
    // The engine protocol the window runs: the busy state, the abort question, the drags.
    std::unique_ptr<AbortConfirmation> abortBox_;
    std::unique_ptr<WindowProtocol> protocol_;
    int rememberedRow_[3] = {0, 0, 0};
    HeldKeys heldKeys_;
    bool started_ = false;
    RenderLayout renderLayout_;
    std::unique_ptr<DialogHost> dialogHost_;
    std::unique_ptr<WindowOutputs> outputs_;
    DesignOpener* designOpener_ = nullptr;
    QMenu* recentMenu_ = nullptr;
};

}  // namespace tavrine::ui
