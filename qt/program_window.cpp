#include "qt/program_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "qt/flight_data_window.h"
#include "qt/lecture_tools.h"
#include "qt/main_window.h"
#include "qt/optimal_loop_dialog.h"
#include "qt/params_dialog.h"
#include "qt/pilot_panel.h"

namespace soar {

namespace {

// The docks' column: at least as wide as Flight data's controls in two rows,
// at most as wide as its charts in two columns want.
constexpr int kDockLeast = 440, kDockWide = 660;

}  // namespace

FirstPlace first_place(const QRect& available, QSize form_standard, QSize form_least,
                       int dock_least, int dock_wide, QSize frame) {
    const int room_w = available.width() - frame.width();
    const int room_h = available.height() - frame.height();
    FirstPlace p;
    int form_w = form_standard.width();
    // The form gives up width only where the dock would have less than its least.
    if (form_w + dock_least > room_w) form_w = std::max(form_least.width(), room_w - dock_least);
    p.dock_width = std::clamp(room_w - form_w, 0, dock_wide);
    const int form_h =
        std::max(std::min(form_standard.height(), room_h), std::min(form_least.height(), room_h));
    p.standard = form_w == form_standard.width() && form_h == form_standard.height();
    // The title bar above, the borders evenly about the sides.
    const int side = frame.width() / 2;
    p.window = QRect(available.left() + side, available.top() + frame.height() - side,
                     form_w + p.dock_width, form_h);
    return p;
}

bool fits_screen(const QRect& frame_rect, const QRect& available) {
    return frame_rect.isValid() && available.contains(frame_rect);
}

ProgramWindow::ProgramWindow(MainWindow* form) : form_(form) {
    setObjectName(QStringLiteral("program_window"));
    setCentralWidget(form_);
    setWindowTitle(form_->windowTitle());
    // The caption is the form's (the designed one, and the parameters' note).
    connect(form_, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    resize(form_->standard_size());
}

ProgramWindow::~ProgramWindow() {
    // The docked windows read the form's run to their end: they go first,
    // unwatched.
    QDockWidget* docks[] = {pilot_dock_, optimal_dock_, params_dock_, data_dock_};
    pilot_dock_ = optimal_dock_ = params_dock_ = data_dock_ = nullptr;
    for (QDockWidget* dock : docks) delete dock;
}

QDockWidget* ProgramWindow::add_dock(QWidget* window, const QString& title, const char* name) {
    auto* dock = new QDockWidget(title, this);
    dock->setObjectName(QString::fromLatin1(name));
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                      QDockWidget::DockWidgetFloatable);
    dock->setAllowedAreas(Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea |
                          Qt::LeftDockWidgetArea);
    // A window taller or wider than the room scrolls in its dock: no dock
    // makes the program's window bigger than the screen.
    auto* scroll = new QScrollArea(dock);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(window);
    dock->setWidget(scroll);
    // Docked, a window's keys are the form's (heard in every dock, floating or
    // not): its own copies would make each key ambiguous, and none would act.
    for (QShortcut* key : window->findChildren<QShortcut*>(Qt::FindDirectChildrenOnly)) delete key;
    window->installEventFilter(this);
    dock->installEventFilter(this);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    return dock;
}

void ProgramWindow::dock(FlightDataWindow* data, ParamsDialog* params, OptimalLoopDialog* optimal) {
    data_dock_ = add_dock(data, QStringLiteral("Flight data"), "flight_data_dock");
    params_dock_ = add_dock(params, QStringLiteral("Parameters"), "parameters_dock");
    optimal_dock_ = add_dock(optimal, QStringLiteral("Optimal loop"), "optimal_loop_dock");
    tabifyDockWidget(data_dock_, params_dock_);
    tabifyDockWidget(params_dock_, optimal_dock_);
    // Hidden until asked for: the windows hide, and their docks with them.
    params->hide();
    optimal->hide();
    data_dock_->raise();
    // F4 in every part of the window, whether Flight data is shown or not.
    if (auto* optimal_action = data->findChild<QAction*>(QStringLiteral("optimal_loop_action"))) {
        optimal_action->setShortcutContext(Qt::WindowShortcut);
        addAction(optimal_action);
    }
    // "Fly it yourself": its panel tabbed with the others, hidden until F6;
    // F6 in every part of the window, and in the Fly menu.
    pilot_ = new PilotPanel(form_->run());
    pilot_dock_ = add_dock(pilot_, QStringLiteral("Fly it yourself"), "fly_yourself_dock");
    tabifyDockWidget(optimal_dock_, pilot_dock_);
    pilot_->hide();
    data_dock_->raise();
    QAction* fly = pilot_->fly_action();
    fly->setShortcutContext(Qt::WindowShortcut);
    addAction(fly);
    for (QMenu* menu : data->findChildren<QMenu*>()) {
        if (menu->title() != QStringLiteral("F&ly")) continue;
        menu->addAction(fly);
        menu->addAction(pilot_->save_commands_action());
        menu->addAction(pilot_->ghost_action());
    }

    // The form's keys in the menu bar too: the patterns, OK, FLY and STOP in
    // the Fly menu, Quit in the File menu, full screen and the focus order
    // in the View menu; Ctrl+S saves the flight as CSV.
    data_ = data;
    for (QMenu* menu : data->findChildren<QMenu*>()) {
        if (menu->title() == QStringLiteral("F&ly")) {
            menu->addSeparator();
            menu->addActions(form_->fly_menu()->actions());
        } else if (menu->title() == QStringLiteral("&File")) {
            for (QAction* a : menu->actions())
                if (a->text().startsWith(QStringLiteral("Save flight as"))) {
                    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
                    a->setShortcutContext(Qt::WindowShortcut);
                    addAction(a);
                }
            menu->addSeparator();
            menu->addAction(form_->quit_action());
        } else if (menu->title() == QStringLiteral("&View")) {
            menu->addSeparator();
            menu->addAction(form_->full_screen_action());
            menu->addAction(form_->reading_order_action());
        }
    }
    form_->set_close_check([this] { return may_end(); });
}

bool ProgramWindow::may_end() {
    LectureTools* tools = data_ ? data_->lecture_tools() : nullptr;
    if (ending_without_asking_ || tools == nullptr || !tools->recording()) return true;
    VideoChoice choice = VideoChoice::go_on;
    if (ask_about_video) {
        choice = ask_about_video();
    } else {
        QMessageBox box(QMessageBox::Question, QStringLiteral("End Soarcalculus"),
                        QStringLiteral("A video is still being recorded. Let it finish and "
                                       "save it, then end the program, or discard it and end "
                                       "now?"),
                        QMessageBox::NoButton, this);
        QPushButton* finish =
            box.addButton(QStringLiteral("Finish and save, then end"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(QStringLiteral("Discard the video and end"),
                                             QMessageBox::DestructiveRole);
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(finish);
        box.exec();
        choice = box.clickedButton() == finish    ? VideoChoice::finish
                 : box.clickedButton() == discard ? VideoChoice::discard
                                                  : VideoChoice::go_on;
    }
    if (choice == VideoChoice::discard) {
        tools->cancel_video();
        return true;
    }
    if (choice == VideoChoice::finish && !end_after_video_) {
        end_after_video_ = true;
        // Written or not, the program then ends as asked.
        connect(
            tools, &LectureTools::video_done, this,
            [this] { QTimer::singleShot(0, this, [this] { close(); }); }, Qt::SingleShotConnection);
    }
    return false;
}

void ProgramWindow::close_without_asking() {
    ending_without_asking_ = true;
    if (LectureTools* tools = data_ ? data_->lecture_tools() : nullptr) tools->cancel_video();
    // Past a question about the video that may be open now.
    form_->agree_to_close();
    close();
}

bool ProgramWindow::eventFilter(QObject* watched, QEvent* event) {
    if (first_room_.isValid() && watched == windowHandle() && event->type() == QEvent::Expose) {
        // Shown in the window manager's frame: placed again with that frame,
        // once, so that its title bar and edges are inside the screen too.
        const QRect room = first_room_;
        first_room_ = QRect();
        windowHandle()->removeEventFilter(this);
        if (!windowHandle()->frameMargins().isNull())
            QTimer::singleShot(0, this, [this, room] { place_first(room); });
    }
    for (QDockWidget* dock : {data_dock_, params_dock_, optimal_dock_, pilot_dock_}) {
        if (dock == nullptr) continue;
        auto* scroll = static_cast<QScrollArea*>(dock->widget());
        QWidget* window = scroll ? scroll->widget() : nullptr;
        if (watched == window) {
            // The window shows or hides itself (F2, F3, its Close, Esc): its dock does.
            if (event->type() == QEvent::ShowToParent) {
                dock->show();
                dock->raise();
            } else if (event->type() == QEvent::HideToParent) {
                dock->hide();
            }
        } else if (watched == dock && window) {
            // The dock shown again (its menu, a restored state, its tab): with
            // its window; closed (its button, its menu): the window is closed.
            if (event->type() == QEvent::Show && window->isHidden()) window->show();
            if (event->type() == QEvent::Hide && dock->isHidden() && !window->isHidden())
                window->hide();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void ProgramWindow::place_first(const QRect& available) {
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    // What the window manager adds is known once it has framed the window;
    // until then a title bar and borders of the common size are allowed for,
    // and the window is placed again with its own frame when it first shows.
    if (frame.isNull() &&
        !QGuiApplication::platformName().startsWith(QStringLiteral("offscreen"))) {
        frame = QMargins(4, 28, 4, 4);
        if (windowHandle() && !first_room_.isValid()) {
            first_room_ = available;
            windowHandle()->installEventFilter(this);
        }
    }
    FirstPlace p =
        first_place(available, form_->standard_size(), form_->minimumSize(), kDockLeast, kDockWide,
                    QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
    // The title bar above, each border beside its own side (a bottom edge may
    // be wider than the sides).
    p.window.moveTopLeft(available.topLeft() + QPoint(frame.left(), frame.top()));
    setGeometry(p.window);
    // The docks' column as wide as planned, the form taking the rest, once
    // the window has taken its new size.
    if (data_dock_ && p.dock_width > 0)
        QTimer::singleShot(0, this, [this, width = p.dock_width] {
            // The separator between form and docks is the column's too.
            const int separator =
                style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
            if (data_dock_) resizeDocks({data_dock_}, {width - separator}, Qt::Horizontal);
        });
}

bool ProgramWindow::restore_place(const QRect& frame, const QByteArray& geometry,
                                  const QByteArray& state) {
    const QScreen* on = QGuiApplication::screenAt(frame.center());
    if (on == nullptr) on = QGuiApplication::primaryScreen();
    if (on == nullptr || !fits_screen(frame, on->availableGeometry())) return false;
    if (geometry.isEmpty() || !restoreGeometry(geometry)) return false;
    if (!state.isEmpty()) restoreState(state);
    return true;
}

QByteArray ProgramWindow::saved_state() const {
    return saveState();
}

void ProgramWindow::closeEvent(QCloseEvent* event) {
    // Closing the window is END: the form ends the program, unless it was
    // asked to go on.
    if (!form_->close()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace soar
