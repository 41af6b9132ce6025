#include "app/ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "app/dialogs/settings_dialogs.h"
#include "app/engine/window_protocol.h"
#include "app/settings/stone_table.h"
#include "app/ui/button_pictures.h"
#include "app/ui/control_table.h"
#include "app/ui/design_opener.h"
#include "app/ui/engine_event.h"
#include "app/ui/file_drops.h"
#include "app/ui/panel_controls.h"
#include "app/ui/render_area_note.h"
#include "app/ui/render_window.h"
#include "app/ui/stone_panel.h"
#include "app/ui/title_window.h"
#include "app/ui/window_outputs.h"

namespace tavrine::ui {

namespace {

// One item of the menu bar; id 0 is a separator.
struct MenuItem {
    const char* caption;
    int32_t id;
};

struct MenuSpec {
    const char* title;
    std::initializer_list<MenuItem> items;
};

const MenuSpec kMenus[] = {
    {"File(&F)",
     {{"Open Design... (&O)", kMenuOpenDesign},
      {"Recent Designs (&R)", kMenuRecentDesigns},
      {nullptr, 0},
      {"Exit (&X)", kMenuExit}}},
    {"View(&V)",
     {{"Show Title (&T)", kMenuShowTitle},
      {"RenderWnd As TopMost (&R)", kMenuRenderWindowTopMost},
      {"Live Ray-trace (&L)", kMenuLiveRayTrace},
      {nullptr, 0},
      {"Face Up (&U)", kMenuFaceUp},
      {"Lighting", kMenuLighting},
      {"Tilt Performance... (&T)", kMenuTiltPerformance}}},
    {"Polygon Color(&C)",
     {{"White (&W)", 1071},
      {"Red (&R)", 1072},
      {"Green (&G)", 1073},
      {"Blue (&B)", 1074},
      {"Yellow (&Y)", 1075},
      {"Purple (&P)", 1076},
      {"Chocolate (&C)", 1077},
      {"Orange (&O)", 1078}}},
    {"Settings(&S)",
     {{"BackColor / Light Volume (&L)", kMenuBackColour},
      {"Size (&Z)", kMenuSize},
      {"Transformable Models (&V)", kMenuTransformable},
      {"General Settings (&S)", kMenuGeneralSettings}}},
    {"Screen Shot(&T)",
     {{"Save (&S)", kMenuSaveScreenShot}, {"Restore Position (&R)", kMenuRestorePosition}}},
    {"Automatic Screen Capture(&P)",
     {{"New (&N)", kMenuCaptureNew},
      {"Resume (&R)", kMenuCaptureResume},
      {nullptr, 0},
      {"Make Animated-GIF (&A)", kMenuMakeGif}}},
    {"About(&A)", {{"Version Info. (&V)", kMenuVersionInfo}}},
};

// The radio items of the "Lighting" submenu, in the order of the lightings.
const MenuItem kLightingItems[] = {{"Studio (&S)", kMenuLightingStudio},
                                   {"ISO (&I)", kMenuLightingIso},
                                   {"COS (&C)", kMenuLightingCos}};

// The picture outputs' items and the tilt sweep's: disabled until the outputs are connected.
bool laterItem(int32_t id) {
    return (id >= kMenuSaveScreenShot && id <= kMenuMakeGif) || id == kMenuTiltPerformance;
}

// Returns whether key is one of the keys the keyboard thread reads.
bool isTurnKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Z:
    case Qt::Key_X:
    case Qt::Key_L:
    case Qt::Key_D:
    case Qt::Key_T:
    case Qt::Key_Shift:
        return true;
    default:
        return false;
    }
}

}  // namespace

// ---- ClientArea ----------------------------------------------------------------------------

ClientArea::ClientArea(const QImage& surface, ViewerEngine& engine, QWidget* parent)
    : QWidget(parent), surface_(surface), engine_(engine) {
    setObjectName(QStringLiteral("ClientArea"));
    setFixedSize(kClientWidth, kClientHeight);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClientArea::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // One pixel wider and higher than asked, as the surface is copied.
    const QRect area = event->rect().adjusted(0, 0, 1, 1) & rect();
    painter.drawImage(area, surface_, area);
    engine_.paintBoxes(painter, area);
    if (area.intersects(QRect(kRenderArea.left, kRenderArea.top, 199, 199))) {
        paintRenderAreaNote(painter, engine_.renderAreaShows(), rendering_ && rendering_());
    }
}

void ClientArea::keyPressEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat() && !event->text().isEmpty()) {
        emit characterTyped(event->text());
    }
    event->accept();
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit leftPressed(event->position().toPoint());
    }
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) { emit moved(event->position().toPoint()); }

void ClientArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit leftReleased(event->position().toPoint());
    }
}

// ---- The abort question -----------------------------------------------------------------------

// Asks the abort question with a message box over the window, which is repainted after it.
class MessageBoxConfirmation : public AbortConfirmation {
  public:
    explicit MessageBoxConfirmation(QWidget& window) : window_(window) {}

    bool askAbort(const char* text) override {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Confirmation"),
                        QString::fromUtf8(text), QMessageBox::Yes | QMessageBox::No, &window_);
        box.setObjectName(QStringLiteral("AbortConfirmation"));
        box.setDefaultButton(QMessageBox::No);
        const int answer = box.exec();
        window_.update();
        return answer == QMessageBox::Yes;
    }

  private:
    QWidget& window_;
};

// ---- The settings dialogs' view of the main window ---------------------------------------------

class WindowDialogHost : public DialogHost {
  public:
    explicit WindowDialogHost(MainWindow& window) : window_(window) {}

    bool renderBusy() const override { return window_.renderBusy(); }
    void confirmAbort(const QString& question) override {
        const QByteArray text = question.toUtf8();
        window_.confirmAbort(text.constData());
    }
    void bringMainWindowToFront() override {
        window_.raise();
        window_.activateWindow();
    }
    void showTrailPreview(bool shown) override { window_.engine().showTrail(shown); }
    RenderLayout renderLayout() const override { return window_.renderLayout(); }
    void showRenderWindowButton(bool shown) override {
        if (QWidget* button = window_.control(kRenderWindowButton)) button->setVisible(shown);
    }
    void recreateRenderWindow(int32_t width) override { window_.recreateRenderWindow(width); }
    void hideRenderWindow() override {
        if (window_.renderWindow() != nullptr) {
            window_.renderWindow()->hide();
        }
    }
    void setRenderGeometry(int32_t sizeMode, int32_t imageWidth) override {
        window_.setRenderGeometry(sizeMode, imageWidth);
    }
    void replaceRenderPicture(int32_t width) override {
        window_.engine().replaceRenderPicture(width);
    }
    void raiseRenderWindow() override {
        if (window_.renderWindow() != nullptr) {
            window_.renderWindow()->bringToFront();
        }
    }
    void clearMainRenderArea() override {
        window_.clientArea()->update(QRect(kRenderArea.left, kRenderArea.top, 199, 199));
    }
    void postRedrawPreview() override { window_.engine().post(EngineCommand::RedrawPreview); }
    void makeModelCurrent(int32_t modelIndex) override { window_.makeModelCurrent(modelIndex); }

  private:
    MainWindow& window_;
};

// ---- MainWindow ------------------------------------------------------------------------------

MainWindow::MainWindow(Session& session, ViewerEngine& engine, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      session_(session),
      settings_(session.settings),
      engine_(engine),
      surface_(kClientWidth, kClientHeight, QImage::Format_RGB32) {
    setObjectName(QStringLiteral("NORMAL0"));
    // Design and Position-Info Files from a file manager; the index field takes no drops, so
    // that a file dropped there reaches the window as well.
    setAcceptDrops(true);
    abortBox_ = std::make_unique<MessageBoxConfirmation>(*this);
    protocol_ = std::make_unique<WindowProtocol>(engine_, *abortBox_);
    renderLayout_ = RenderLayout{settings_.look.sizeMode, settings_.look.imageWidth};
    dialogHost_ = std::make_unique<WindowDialogHost>(*this);
    setWindowTitle(QString::fromUtf8(kMainWindowTitle));
    surface_.fill(Qt::black);
    buildMenus();
    client_ = new ClientArea(surface_, engine_, this);
    client_->setRenderingQuery([this] { return protocol_->renderBusy(); });
    setCentralWidget(client_);
    createControls();
    initialise();
    connectControls();
    if (Session* engineSession = engine_.session()) {
        outputs_ = std::make_unique<WindowOutputs>(*this, *engineSession, engine_);
    }
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

bool MainWindow::renderBusy() const { return protocol_->renderBusy(); }

void MainWindow::postRestoredPosition() { protocol_->postRestoredPosition(); }

void MainWindow::buildMenus() {
    int menuIndex = 0;
    for (const MenuSpec& entry : kMenus) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(entry.title));
        menu->setObjectName(QString::fromUtf8(entry.title));
        if (menuIndex == 2) {
            polygonGroup_ = new QActionGroup(menu);
            polygonGroup_->setExclusive(true);
        }
        for (const MenuItem& item : entry.items) {
            if (item.caption == nullptr) {
                menu->addSeparator();
                continue;
            }
            if (item.id == kMenuRecentDesigns) {
                // Filled by the design opener; empty and disabled until a design was opened.
                recentMenu_ = menu->addMenu(QString::fromUtf8(item.caption));
                recentMenu_->setObjectName(QStringLiteral("RecentDesigns"));
                recentMenu_->menuAction()->setData(item.id);
                recentMenu_->menuAction()->setEnabled(false);
                actions_.insert(item.id, recentMenu_->menuAction());
                continue;
            }
            if (item.id == kMenuLighting) {
                addLightingMenu(menu, item.caption);
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(item.caption));
            action->setData(item.id);
            action->setEnabled(!laterItem(item.id));
            actions_.insert(item.id, action);
            // The View menu's switches carry a check mark; its commands do not.
            if (menuIndex == 1 && item.id != kMenuFaceUp && item.id != kMenuTiltPerformance) {
                action->setCheckable(true);
            } else if (menuIndex == 2) {
                action->setCheckable(true);
                polygonGroup_->addAction(action);
            }
            connect(action, &QAction::triggered, this, [this, id = item.id] { runCommand(id); });
        }
        // The keys rest while a menu is open.
        connect(menu, &QMenu::aboutToShow, this, [this] { engine_.pauseKeys(); });
        connect(menu, &QMenu::aboutToHide, this, [this] { engine_.resumeKeys(); });
        ++menuIndex;
    }
}

void MainWindow::addLightingMenu(QMenu* view, const char* caption) {
    QMenu* lighting = view->addMenu(QString::fromUtf8(caption));
    lighting->setObjectName(QStringLiteral("Lighting"));
    lighting->menuAction()->setData(kMenuLighting);
    actions_.insert(kMenuLighting, lighting->menuAction());
    auto* group = new QActionGroup(lighting);
    group->setExclusive(true);
    for (const MenuItem& item : kLightingItems) {
        QAction* action = lighting->addAction(QString::fromUtf8(item.caption));
        action->setData(item.id);
        action->setCheckable(true);
        group->addAction(action);
        actions_.insert(item.id, action);
        connect(action, &QAction::triggered, this, [this, id = item.id] { runCommand(id); });
    }
}

void MainWindow::createControls() {
    const QFont controlFont = gothicFont(12);
    for (const ControlSpec& entry : controlTable()) {
        QWidget* widget = nullptr;
        switch (entry.kind) {
        case ControlKind::ComboBox: {
            auto* list = new PanelList(entry.id, client_);
            lists_[entry.id - kStoneList] = list;
            widget = list;
            break;
        }
        case ControlKind::Edit:
            indexField_ = new QLineEdit(client_);
            indexField_->setObjectName(controlName(entry.id));
            indexField_->setAlignment(Qt::AlignRight);
            indexField_->setMaxLength(7);
            indexField_->setAcceptDrops(false);
            widget = indexField_;
            break;
        case ControlKind::UpDown:
            upDown_ = new UpDownControl(entry.id, client_);
            widget = upDown_;
            break;
        default:
            widget = new OwnerDrawButton(entry.id, entry.kind, &style_, client_);
            widget->setGeometry(entry.geometry);
            break;
        }
        widget->setFont(controlFont);
        widget->setProperty("windowText", QString::fromUtf8(entry.windowText));
        if (entry.createdHidden) {
            widget->hide();
        }
        controls_.insert(entry.id, widget);
    }
}

QWidget* MainWindow::control(int32_t id) const { return controls_.value(id, nullptr); }

void MainWindow::initialise() {
    // The owner-drawn captions and the arrow pictures.
    style_.captionFont = panelFont(6);
    style_.panelColour = 0x000000;
    style_.pictures = drawButtonPictures();

    // The two displays over the render area lose a pixel at each corner.
    static_cast<OwnerDrawButton*>(control(kProgressDisplay))->cutCorners();
    static_cast<OwnerDrawButton*>(control(kRenderWindowButton))->cutCorners();

    // Check marks of the View menu and the polygon colour radio.
    action(kMenuShowTitle)->setChecked(settings_.showTitle != 0);
    action(kMenuRenderWindowTopMost)->setChecked(settings_.renderWindowTopMost != 0);
    action(kMenuLiveRayTrace)->setChecked(settings_.liveRayTrace != 0);
    action(kMenuLightingStudio + std::clamp(settings_.lighting, 0, 2))->setChecked(true);
    action(kMenuPolygonWhite + std::clamp(settings_.polygonColour, 0, 7))->setChecked(true);

    // The switches show the stored settings.
    static_cast<OwnerDrawButton*>(control(kHqSwitch))->setChecked(settings_.look.highQuality != 0);
    static_cast<OwnerDrawButton*>(control(kSySwitch))->setChecked(settings_.look.turnStone != 0);
    static_cast<OwnerDrawButton*>(control(kGmSwitch))
        ->setChecked(settings_.look.turntableView != 0);

    // The three lists, in the language of the settings.
    const bool japanese = settings_.japanese != 0;
    lists_[0]->addItems(stoneListCaptions(japanese));
    const QStringList models = modelListCaptions(japanese);
    for (int row = 0; row < models.size(); ++row) {
        lists_[1]->addItem(models[row]);
    }
    lists_[2]->addItems(colourListCaptions(japanese));
    if (settings_.largerFont != 0) {
        const QFont larger = gothicFont(14);
        for (PanelList* list : lists_) {
            list->setFont(larger);
        }
        indexField_->setFont(larger);
    }

    // The panel and the places of its controls.
    paintPanel(surface_, settings_.largerFont != 0, japanese, settings_.buttonPlacement != 0);
    const PanelLayout places = panelLayout(settings_.largerFont != 0, japanese);
    lists_[0]->setGeometry(places.stoneList);
    lists_[1]->setGeometry(places.modelList);
    lists_[2]->setGeometry(places.colourList);
    indexField_->setGeometry(places.indexField);
    upDown_->setGeometry(places.indexUpDown);
    control(kBackColourButton)->setVisible(settings_.buttonPlacement != 0);
    control(kSizeButton)->setVisible(settings_.buttonPlacement != 0);

    // The render window exists only in the separate-window size mode.
    control(kRenderWindowButton)->setVisible(settings_.look.sizeMode == 1);
    if (settings_.look.sizeMode == 1) {
        renderWindow_ =
            new RenderWindow(settings_.look.imageWidth, settings_.renderWindowTopMost != 0, this);
        connectRenderWindow();
    }

    showSelection();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    engine_.prepare(this, client_, renderWindow_);
}

void MainWindow::connectControls() {
    connect(client_, &ClientArea::characterTyped, this, &MainWindow::onCharacter);
    connect(client_, &ClientArea::leftPressed, this, &MainWindow::onLeftPressed);
    connect(client_, &ClientArea::moved, this, &MainWindow::onMoved);
    connect(client_, &ClientArea::leftReleased, this, [this](QPoint) { onLeftReleased(); });

    for (int k = 0; k < 3; ++k) {
        PanelList* list = lists_[k];
        const int32_t id = kStoneList + k;
        connect(list, &PanelList::popupOpened, this, [this, list, k] {
            if (renderBusy()) {
                rememberedRow_[k] = list->currentIndex();
            }
            engine_.pauseKeys();
        });
        // A closed list gives the keys back to the main window, chosen or not: arrows turn the
        // stone again instead of stepping the list.
        connect(list, &PanelList::popupClosed, this, [this] {
            client_->setFocus();
            engine_.resumeKeys();
        });
        connect(list, &QComboBox::activated, this, [this, id](int row) { onListChosen(id, row); });
    }
    connect(upDown_, &UpDownControl::stepped, this, &MainWindow::stepIndexField);
    indexField_->installEventFilter(this);

    auto button = [this](int32_t id) { return static_cast<OwnerDrawButton*>(control(id)); };
    for (int32_t id = kRayTraceButton; id <= kGmSwitch; ++id) {
        if (const char* tip = controlToolTip(id)) button(id)->setToolTip(QString::fromLatin1(tip));
    }
    connect(button(kRayTraceButton), &OwnerDrawButton::clicked, this, &MainWindow::requestRender);
    for (int32_t id = kViewRightButton; id <= kLightDownButton; ++id) {
        connect(button(id), &OwnerDrawButton::pressed, this,
                [this, id] { engine_.post(EngineCommand::TurnWhileHeld, id); });
        connect(button(id), &OwnerDrawButton::released, this, [this] {
            engine_.stopTurning();
            client_->setFocus();
        });
    }
    connect(button(kScreenShotButton), &OwnerDrawButton::clicked, this,
            [this] { runCommand(kMenuSaveScreenShot); });
    connect(button(kProgressDisplay), &OwnerDrawButton::clicked, this,
            [this] { confirmAbort(kAbortText); });
    connect(button(kHqSwitch), &OwnerDrawButton::toggled, this,
            [this](bool on) { chooseHighQuality(session_, on); });
    connect(button(kSySwitch), &OwnerDrawButton::clicked, this,
            [this](bool on) { setSwitch(kSySwitch, on); });
    connect(button(kGmSwitch), &OwnerDrawButton::clicked, this,
            [this](bool on) { setSwitch(kGmSwitch, on); });
    connect(button(kRenderWindowButton), &OwnerDrawButton::clicked, this, [this] {
        if (renderWindow_ != nullptr) {
            renderWindow_->bringToFront();
        }
    });
    connect(button(kBackColourButton), &OwnerDrawButton::clicked, this,
            [this] { runCommand(kMenuBackColour); });
    connect(button(kSizeButton), &OwnerDrawButton::clicked, this,
            [this] { runCommand(kMenuSize); });

    // Held keys are recorded whichever control has the focus.
    qApp->installEventFilter(this);
}

void MainWindow::recreateRenderWindow(int32_t width) {
    // The new window opens where the old one was last seen.
    if (renderWindow_ != nullptr && renderWindow_->hasBeenShown()) {
        renderWindowPlace_ = renderWindow_->pos();
    }
    delete renderWindow_;
    renderWindow_ = new RenderWindow(width, settings_.renderWindowTopMost != 0, this);
    if (renderWindowPlace_) {
        renderWindow_->move(*renderWindowPlace_);
    }
    connectRenderWindow();
    if (started_) {
        engine_.setRenderWindow(renderWindow_);
    }
    if (outputs_ != nullptr) {
        outputs_->attachRenderWindow(renderWindow_);
    }
}

void MainWindow::connectRenderWindow() {
    connect(renderWindow_, &RenderWindow::progressClicked, this,
            [this] { confirmAbort(kAbortText); });
    // The engine is free again whichever window the job reported to.
    connect(renderWindow_, &RenderWindow::renderEnded, this,
            [this] { protocol_->notified(NOTIFY_RENDER_ENDED, 0); });
}

void MainWindow::makeModelCurrent(int32_t modelIndex) {
    chooseModel(session_, modelIndex);
    lists_[1]->setCurrentIndex(modelIndex);
    engine_.resetViewAndLight();
    engine_.post(EngineCommand::RebuildModel);
}

void MainWindow::startEngine() {
    if (!started_) {
        started_ = true;
        engine_.start();
    }
}

void MainWindow::showSelection() {
    lists_[0]->setCurrentIndex(settings_.stoneIndex);
    lists_[1]->setCurrentIndex(settings_.modelIndex);
    lists_[2]->setCurrentIndex(settings_.colourIndex);
    indexField_->setText(formatRefractiveIndex(settings_.refractiveIndex));
}

void MainWindow::onListChosen(int32_t listId, int row) {
    const int k = listId - kStoneList;
    if (renderBusy()) {
        // Changing the stone under a running rendering needs its abort first.
        if (confirmAbort(kAbortText) != QMessageBox::Yes) {
            lists_[k]->setCurrentIndex(rememberedRow_[k]);
            return;
        }
    }
    client_->setFocus();
    if (row < 0) {
        return;
    }
    if (listId == kStoneList) {
        chooseStone(session_, row);
        showSelection();
        engine_.resetViewAndLight();
        engine_.post(EngineCommand::RebuildModel);
    } else if (listId == kModelList) {
        if (row == kSeparatorRow) {
            lists_[1]->setCurrentIndex(settings_.modelIndex);
            return;
        }
        chooseModel(session_, row);
        engine_.resetViewAndLight();
        engine_.post(EngineCommand::RebuildModel);
    } else {
        chooseColour(session_, row);
    }
}

void MainWindow::stepIndexField(int step) {
    indexField_->setText(stepRefractiveIndex(indexField_->text(), step));
    indexField_->setFocus();
    indexField_->setCursorPosition(indexField_->text().size());
}

bool MainWindow::checkRefractiveIndex() {
    const double value = readRefractiveIndex(indexField_->text());
    if (!refractiveIndexInRange(value)) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Confirmation"),
                        QString::fromUtf8(kRefractiveIndexMessage), QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("RefractiveIndexMessage"));
        box.exec();
        indexField_->setFocus();
        return false;
    }
    chooseRefractiveIndex(session_, value);
    return true;
}

void MainWindow::requestRender() {
    const bool posted = protocol_->requestRender([this] {
        if (!checkRefractiveIndex()) {
            return false;
        }
        if (settings_.look.sizeMode == 1 && renderWindow_ != nullptr) {
            renderWindow_->bringToFront();
        }
        return true;
    });
    if (posted && settings_.look.sizeMode != 1) {
        client_->setFocus();
    }
}

QMessageBox::StandardButton MainWindow::confirmAbort(const char* question) {
    return protocol_->confirmAbort(question) ? QMessageBox::Yes : QMessageBox::No;
}

void MainWindow::choosePolygonColour(int index) {
    if (!protocol_->readyForAction(kAbortText)) {
        action(kMenuPolygonWhite + settings_.polygonColour)->setChecked(true);
        return;
    }
    engine_.selectPolygonColour(index);
    action(kMenuPolygonWhite + index)->setChecked(true);
    engine_.post(EngineCommand::RefreshView);
}

void MainWindow::chooseLightingItem(int32_t commandId) {
    // The lighting of a rendering under way stays; changing it asks for the abort first.
    if (!protocol_->readyForAction(kAbortText)) {
        action(kMenuLightingStudio + std::clamp(settings_.lighting, 0, 2))->setChecked(true);
        return;
    }
    chooseLighting(session_, static_cast<Lighting>(commandId - kMenuLightingStudio));
    action(commandId)->setChecked(true);
}

void MainWindow::turnFaceUp() {
    if (!protocol_->readyForAction(kAbortText)) return;
    // The turntable cannot hold the face-up view: "GM" goes off with it.
    auto* gm = static_cast<OwnerDrawButton*>(control(kGmSwitch));
    chooseTurntableView(session_, false);
    gm->setChecked(false);
    gm->update();
    engine_.turnFaceUp();
    engine_.post(EngineCommand::RefreshView);
    client_->setFocus();
}

void MainWindow::setSwitch(int32_t id, bool on) {
    auto* sy = static_cast<OwnerDrawButton*>(control(kSySwitch));
    auto* gm = static_cast<OwnerDrawButton*>(control(kGmSwitch));
    if (id == kSySwitch) {
        chooseTurnStone(session_, on);
        if (on) gm->setChecked(false);
        engine_.setTurnStone(on);
    } else {
        chooseTurntableView(session_, on);
        if (on) sy->setChecked(false);
        engine_.setTurntableView(on);
    }
    sy->update();
    gm->update();
    if (on) {
        engine_.post(EngineCommand::RefreshView);
    }
    client_->setFocus();
}

void MainWindow::runCommand(int32_t commandId) {
    QAction* item = action(commandId);
    if (item != nullptr && !item->isEnabled()) {
        return;
    }
    if (outputs_ != nullptr && outputs_->run(commandId)) {
        return;
    }
    switch (commandId) {
    case kMenuExit:
        close();
        break;
    case kMenuOpenDesign:
        if (designOpener_ != nullptr) {
            designOpener_->openFromMenu();
        }
        break;
    case kMenuShowTitle:
        chooseViewerSwitch(session_, ViewerSwitch::ShowTitle, item->isChecked());
        break;
    case kMenuRenderWindowTopMost:
        chooseViewerSwitch(session_, ViewerSwitch::RenderWindowTopMost, item->isChecked());
        if (renderWindow_ != nullptr) {
            renderWindow_->setTopMost(item->isChecked());
        }
        break;
    case kMenuLiveRayTrace:
        chooseViewerSwitch(session_, ViewerSwitch::LiveRayTrace, item->isChecked());
        engine_.setLiveView(item->isChecked());
        break;
    case kMenuFaceUp:
        turnFaceUp();
        break;
    case kMenuLightingStudio:
    case kMenuLightingIso:
    case kMenuLightingCos:
        chooseLightingItem(commandId);
        break;
    case kMenuBackColour:
        openBackColorSettings(this, session_.settings, *dialogHost_);
        break;
    case kMenuSize:
        openSizeSetting(this, session_.settings, *dialogHost_);
        break;
    case kMenuTransformable:
        openTransformableModels(this, session_.settings, *dialogHost_);
        break;
    case kMenuGeneralSettings:
        openGeneralSettings(this, session_.settings, *dialogHost_);
        break;
    case kMenuVersionInfo: {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Version Info."),
                        QStringLiteral("\n   [    t  a  v  r  i  n  e    ]\n\n            "
                                       "version 4.06\n\n            for Linux, on Qt 6"),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("VersionInfo"));
        box.exec();
        break;
    }
    default:
        if (commandId >= kMenuPolygonWhite && commandId < kMenuPolygonWhite + 8) {
            choosePolygonColour(commandId - kMenuPolygonWhite);
        }
        break;
    }
}

void MainWindow::onCharacter(const QString& text) {
    // Exact characters: "B" does nothing.
    if (text == QStringLiteral(" ")) {
        requestRender();
    } else if (text == QStringLiteral("b") || text == QStringLiteral("n") ||
               text == QStringLiteral("m")) {
        PanelList* list = lists_[text == QStringLiteral("b")   ? 0
                                 : text == QStringLiteral("n") ? 1
                                                               : 2];
        list->setFocus();
        list->showPopup();
    } else if (text == QStringLiteral(",")) {
        indexField_->setFocus();
    }
}

void MainWindow::onLeftPressed(QPoint point) {
    // A drag holds Qt's implicit mouse grab until the release.
    if (protocol_->mousePressed(point.x(), point.y()) == PressResult::Elsewhere) {
        client_->setFocus();
    }
}

void MainWindow::onMoved(QPoint point) {
    // Moves while a drag step runs are dropped: only the newest position after it counts.
    protocol_->mouseMoved(point.x(), point.y());
}

void MainWindow::onLeftReleased() { protocol_->mouseReleased(); }

void MainWindow::updateHeldKey(int key, bool held) {
    switch (key) {
    case Qt::Key_Left:
        heldKeys_.left = held;
        break;
    case Qt::Key_Right:
        heldKeys_.right = held;
        break;
    case Qt::Key_Up:
        heldKeys_.up = held;
        break;
    case Qt::Key_Down:
        heldKeys_.down = held;
        break;
    case Qt::Key_Z:
        heldKeys_.z = held;
        break;
    case Qt::Key_X:
        heldKeys_.x = held;
        break;
    case Qt::Key_L:
        heldKeys_.l = held;
        break;
    case Qt::Key_D:
        heldKeys_.d = held;
        break;
    case Qt::Key_T:
        heldKeys_.t = held;
        break;
    case Qt::Key_Shift:
        heldKeys_.shift = held;
        break;
    default:
        return;
    }
    engine_.setHeldKeys(heldKeys_);
}

void MainWindow::keepAboveRenderWindow(QWidget* shown) {
    if (renderWindow_ == nullptr || !renderWindow_->isVisible() || !renderWindow_->isTopMost()) {
        return;
    }
    const Qt::WindowType type = shown->windowType();
    if (shown == renderWindow_ || (type != Qt::Dialog && type != Qt::Sheet)) {
        return;
    }
    QWindow* handle = shown->windowHandle();
    if (handle == nullptr || renderWindow_->windowHandle() == nullptr) {
        return;
    }
    // A window manager keeps a window's transients above it; without one, the raise does.
    handle->setTransientParent(renderWindow_->windowHandle());
    shown->raise();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // Every question and dialog opens above a render window that stays on top: it would hide
    // them, their buttons included, otherwise.
    if (type == QEvent::Show && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
        keepAboveRenderWindow(static_cast<QWidget*>(watched));
    }
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == indexField_ && type == QEvent::KeyPress &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
             key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            client_->setFocus();
            return true;
        }
        // Held keys are recorded whichever window has the focus, as the keyboard itself
        // would tell; the keyboard thread pauses while a list or menu is open. While the index
        // field has the keyboard, a pressed key edits it (the arrows move its cursor) and turns
        // nothing; a release is always recorded, so that no key stays held.
        const bool fieldHasKeys =
            watched == indexField_ || QApplication::focusWidget() == indexField_;
        if (!key->isAutoRepeat() && isTurnKey(key->key()) &&
            !(type == QEvent::KeyPress && fieldHasKeys)) {
            updateHeldKey(key->key(), type == QEvent::KeyPress);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::canOpen(const DroppedFile& file) const {
    switch (file.kind) {
    case DroppedKind::Design:
        return designOpener_ != nullptr;
    case DroppedKind::Position:
        return outputs_ != nullptr;
    default:
        return false;
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    // Anything the window cannot open gets no drop cursor.
    if (canOpen(droppedFile(event->mimeData()))) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const DroppedFile file = droppedFile(event->mimeData());
    if (!canOpen(file)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop has ended, so that a question or a message does not keep the file
    // manager waiting.
    QTimer::singleShot(0, this, [this, file] {
        if (file.kind == DroppedKind::Design) {
            designOpener_->openDropped(file.path);
        } else {
            outputs_->commands().restorePositionFrom(file.path.toStdString());
        }
    });
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == EngineEvent::eventType()) {
        const auto* notify = static_cast<EngineEvent*>(event);
        auto* progress = static_cast<OwnerDrawButton*>(control(kProgressDisplay));
        switch (notify->code()) {
        case NOTIFY_SHOW_TITLE:
            showTitleWindow();
            break;
        case NOTIFY_RENDER_STARTED:
            progress->show();
            // The stale tag goes while the new picture comes.
            client_->update(QRect(kRenderArea.left, kRenderArea.top, 199, 199));
            break;
        case NOTIFY_RENDER_ENDED:
            protocol_->notified(notify->code(), notify->value());
            progress->hide();
            // A high-quality job draws no rows while it runs: show its finished picture whole.
            client_->update(QRect(kRenderArea.left, kRenderArea.top, 199, 199));
            break;
        case NOTIFY_PROGRESS:
            progress->setPercent(static_cast<int32_t>(notify->value()));
            break;
        default:
            break;
        }
        return true;
    }
    switch (event->type()) {
    case QEvent::WindowActivate:
        engine_.resumeKeys();
        update();
        break;
    case QEvent::WindowDeactivate:
        // Releases that happen elsewhere never reach us: forget every held key.
        heldKeys_ = HeldKeys{};
        engine_.setHeldKeys(heldKeys_);
        engine_.pauseKeys();
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

void MainWindow::keepIndexFieldValue() {
    // The field's value is kept, brought into range; text that is not a number keeps the
    // value in hand.
    const double typed = readRefractiveIndex(indexField_->text());
    if (typed != 0.0) chooseRefractiveIndex(session_, typed);
}

void MainWindow::showTitleWindow() {
    TitleWindow title(this);
    title.exec();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    keepIndexFieldValue();
    // While rendering: No keeps the window; Yes waits up to 5 s for the job to end.
    if (!protocol_->requestClose(std::chrono::milliseconds(5000))) {
        event->ignore();
        return;
    }
    event->accept();
    if (renderWindow_ != nullptr) {
        renderWindow_->hide();
    }
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

}  // namespace tavrine::ui
