#include "qt/help_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QVBoxLayout>
#include <QtGlobal>

#include "app/window.h"
#include "qt/control_tips.h"

#ifndef SOAR_VERSION
#define SOAR_VERSION "unknown"
#endif

namespace soar {

namespace {

// The controls' own keys, as their tips name them: "Alt+X FIXED, Alt+U Upwind, ...".
QString control_keys_text() {
    const Window designed = make_window();
    QStringList keys;
    for (Id id : keyed_controls())
        keys << control_key(id).toString(QKeySequence::NativeText) + QStringLiteral(" ") +
                    QString::fromStdString(control(designed, id).text).toHtmlEscaped();
    return QStringLiteral("Press or choose a control of the window as a click would: ") +
           keys.join(QStringLiteral(", ")) +
           QStringLiteral(". The captions stay as they are; each control's tip names its key.");
}

}  // namespace

QString keys_help_html() {
    return QStringLiteral(R"(
<h2>Keys and mouse</h2>
<p>The keys work in the main window and in the Flight data window. A text box
with the focus keeps the keys it types (a space, a bracket, the arrows, Home and End).</p>
<table cellspacing="0" cellpadding="3" border="1">
<tr><th align="left">Key</th><th align="left">Does</th></tr>
<tr><td>Space</td><td>Pause the flight where it is, or let it go on from there</td></tr>
<tr><td>P, Alt+A</td><td>Pause or go on, as Space does, whatever button has the focus (also
in the Fly menu)</td></tr>
<tr><td>Alt and a letter</td><td>%1</td></tr>
<tr><td>FLY</td><td>Start the flight set up by OK; a paused flight goes on from where it was</td></tr>
<tr><td>[ and ]</td><td>Slower and faster: 1/8, 1/4, 1/2, 1, 2 and 4 times real time</td></tr>
<tr><td>Left, Right</td><td>A paused or stopped flight: one step of its flight time back or on</td></tr>
<tr><td>Shift+Left, Shift+Right</td><td>One second back or on</td></tr>
<tr><td>Page Up, Page Down</td><td>Ten seconds back or on</td></tr>
<tr><td>Home, End</td><td>The flight's start; the moment the flight stands at</td></tr>
<tr><td>F1</td><td>This help</td></tr>
<tr><td>F2</td><td>Show or hide the Flight data window</td></tr>
<tr><td>F3</td><td>The Parameters dialog</td></tr>
<tr><td>F4</td><td>The optimal loop</td></tr>
<tr><td>F6</td><td>Fly it yourself, from the selected pattern's start (Upwind's from the fixed
view)</td></tr>
<tr><td>Left, Right</td><td>While you fly: bank left or right, at most 90 deg/s up to 85 deg;
let go and the wings come back level at the same rate</td></tr>
<tr><td>Up, Down</td><td>While you fly: pull for more lift or push for less, the lift
coefficient at most 3 per second; let go and it comes back to level flight's. Pulled past 1.5 the
wing stalls</td></tr>
<tr><td>Return, Tab</td><td>Apply a typed value: a value the program cannot hold, a text
that is not a number (12abc, 1,5, nan, an empty box) or a roll, pitch or yaw beyond 100000 deg
either way is refused then, with the box's name, and the box goes back to what it held</td></tr>
<tr><td>Ctrl+0 to Ctrl+4</td><td>FIXED, Upwind, Downwind, Crosswind, Zoom (the Fly menu)</td></tr>
<tr><td>Ctrl+Return</td><td>OK: the pattern chosen set up</td></tr>
<tr><td>F5, Shift+F5</td><td>FLY and STOP</td></tr>
<tr><td>Tab, Shift+Tab</td><td>Move the focus through the controls (in their reading order with
"Tab in reading order" in the right-click menu or the View menu); right after Tab, Return, Enter
or Space press the control reached, once; Space is the pause again after that</td></tr>
<tr><td>Ctrl+S</td><td>Save the flight as CSV</td></tr>
<tr><td>F11</td><td>Full screen, and back</td></tr>
<tr><td>Ctrl+Q</td><td>Quit, as END does; while a video is being recorded it asks first</td></tr>
</table>
<h3>Mouse</h3>
<ul>
<li><b>Time slider</b> under the picture: drag through a paused or stopped flight (a stall
or touching the sea included). The picture shows the bird and its tracks as they were at that
moment, the read-outs its values, every chart a line there. <b>Play</b> shows the flight again
from that moment at the pace chosen with [ and ]; Space or FLY let the flight itself go on from
where it was, not from the moment shown.</li>
<li><b>+ and --</b>, <b>^ and v</b>: zoom and move the observer; in a paused or stopped flight at
once. Over the picture the wheel does the same as + and -- (a press per notch).</li>
<li>A <b>drag over the picture</b> turns the view about the scene: across, the direction the
observer looks from; up and down, how steeply it looks down (at most 85 deg); a degree per 3
pixels, at once in a paused or stopped flight. In the fixed view it moves the observer; in a
moving view the place the observer rides at beside the bird, until the next OK. With Shift, or with
the middle button, a drag does the same as the four pan buttons (a press per 24 pixels).</li>
<li>A click on the time slider's trough goes to that moment at once.</li>
<li><b>Charts</b>: click to show that moment (paused or stopped); drag across to zoom the time
axis; the wheel zooms about the pointer; double-click or <i>Reset zoom</i> goes back to the span
chosen; the pointer's time and value show beside it.</li>
<li><b>Right-click</b> the main window: the Flight data window, play, smooth lines, help and
forgetting the remembered settings.</li>
<li>The main window can be resized and maximised: the controls stay where they are, the
picture grows with the window.</li>
</ul>
)")
        .arg(control_keys_text());
}

QString soaring_help_html() {
    return QStringLiteral(R"(
<h2>How dynamic soaring works here</h2>
<p>An albatross flies for hours over the sea without flapping. It takes its energy from the
<b>wind gradient</b>: over the water the wind is slow, a few metres up it is much faster. In this
program the wind blows along +X and, by default, grows with the height Z as
U(Z) = U_ref (1 &minus; exp(&minus;&lambda; Z/Z_ref)): nearly all of it within the lowest few
metres (the wind figure beside the bird shows the profile).</p>
<h3>Energy</h3>
<p>The bird is a point mass with airspeed V at height Z. Its <b>specific energy</b> (energy per
unit weight, a height in metres) relative to the air is</p>
<p align="center"><b>E = Z + V<sup>2</sup>/2g</b></p>
<p>the potential part Z and the kinetic part V<sup>2</sup>/2g. Gravity only moves energy between
the two parts; two things change E:</p>
<ul>
<li><b>The wind gradient</b> supplies dE/dt = V (U' V/g) sin &gamma; cos &gamma; cos &psi;
(U' = dU/dZ, &gamma; the flight-path angle, &psi; the heading, 0 straight into the wind). It is
positive when the bird climbs into the wind (it meets ever faster air head-on: its airspeed
grows) and when it dives downwind (the tail wind falls away under it).</li>
<li><b>Drag</b> takes dE/dt = &minus;V (D/L) Nz (D/L the drag over lift, Nz the load factor):
always a loss, more in hard turns.</li>
</ul>
<p>The <i>Energy rate</i> chart of the Flight data window shows both parts; where the wind
gradient's gain over a cycle makes good the drag's loss, the pattern sustains itself. The table
of cycles gives the energy gained per cycle, and the air track can be coloured by the rate (View
menu).</p>
<h3>The patterns</h3>
<ul>
<li><b>Upwind</b>: a cycle every T_cyc: a climb into the wind, a turn at the top, a dive
downwind and a turn near the water.</li>
<li><b>Downwind</b>: loops whose heading turns through full circles, the bird travelling
downwind.</li>
<li><b>Crosswind</b>: climbs and dives while the bird travels across the wind.</li>
<li><b>Zoom, U=0, D=0</b>: a circle with a zoom climb without wind and without drag: E stays
the same, the check on the integration.</li>
<li><b>Optimal loop</b> (Flight data, F4): the periodic loop that needs the least wind, solved
by collocation, flown round and round.</li>
</ul>
<h3>Fly it yourself (F6)</h3>
<p>The bird starts from the selected pattern's start, wings level, a metre or so above the
water, and you give it its bank and its lift with the arrow keys. The panel <i>Fly it
yourself</i> shows the command, what the bird can do and the score: the energy gained over the
flight and over each cycle, and the time aloft. The flight ends, with the reason, when the bird
or a wing tip touches the sea, when it stalls (lift coefficient above 1.5) or when the load
passes 5 g. To gain energy, fly the cycle the wind gradient pays for:</p>
<ol>
<li><b>Climb into the wind</b> (heading near 0): Up to pull into a climb of 20 to 30 degrees.
The wind grows as the bird rises, so the airspeed falls less than the climb alone would take.
Wait until you have a few metres before you bank: the wings span 3.4 m.</li>
<li><b>Turn at the top</b>: Left or Right for a bank of 50 to 70 degrees, a little Up to hold
the turn, until the bird heads downwind.</li>
<li><b>Descend with the wind</b>: level the wings, let the nose drop (Down briefly): diving
downwind the tail wind falls away under the bird and its airspeed grows.</li>
<li><b>Turn near the water</b> back into the wind, wings level again before they reach the
sea, and climb again.</li>
</ol>
<p>The Energy rate chart shows the wind's part positive while you climb upwind and dive
downwind; a cycle with a positive "energy gained" pays for itself.</p>
<p>The panel's <b>Gusts</b> box adds turbulence to the wind from the next flight on (sigma_w in
m/s: 0 calm, about 0.8 light, 1.5 moderate; the same seed gives the same gusts).
<b>Save commands...</b> (also in the Fly menu) writes your commands to a file that
<code>soarcalculus fly --commands FILE --command-times</code> flies again, row for row; the
panel gives the whole command. <b>Show the optimal loop</b> draws the loop that needs the least
wind as a pale gold ghost to follow, and the panel tells how far the bird is from it.</p>
<p>How much wind each pattern needs: the Parameters dialog's energy-neutral wind, and
<code>soarcalculus min-wind</code> and <code>optimise</code> on the command line (README).</p>
)");
}

QString about_html() {
    return QStringLiteral(R"(
<h2>Soarcalculus %1</h2>
<p>Simulates and animates the dynamic soaring of an albatross.</p>
<p>Qt %2 at run time.</p>
<h3>Libraries and their licences</h3>
<table cellspacing="0" cellpadding="3" border="1">
<tr><th align="left">Library</th><th align="left">Used for</th><th align="left">Licence</th></tr>
<tr><td>Qt 6 (Core, Gui, Widgets, Svg)</td><td>the windows, pictures, SVG</td><td>LGPL-3.0</td></tr>
<tr><td>Qt Charts</td><td>the Flight data charts</td><td>GPL-3.0</td></tr>
<tr><td>Ipopt</td><td>the optimal loop's solver</td><td>EPL-2.0</td></tr>
<tr><td>MUMPS (through Ipopt)</td><td>its linear solver</td><td>CeCILL-C</td></tr>
<tr><td>Eigen</td><td>the optimal loop's vectors and matrices</td><td>MPL-2.0</td></tr>
<tr><td>Ceres Solver</td><td>automatic derivatives (Jet)</td><td>BSD-3-Clause</td></tr>
<tr><td>GeographicLib</td><td>KML coordinates</td><td>MIT</td></tr>
<tr><td>toml++</td><td>parameter files</td><td>MIT</td></tr>
<tr><td>FFmpeg (libavcodec, libavformat, libswscale, libavutil)</td><td>videos</td>
<td>LGPL-2.1 or later (Debian's build with x264: GPL-2.0 or later)</td></tr>
<tr><td>x264 (through FFmpeg)</td><td>H.264 encoding</td><td>GPL-2.0 or later</td></tr>
<tr><td>pybind11, NumPy</td><td>the Python module</td><td>BSD-3-Clause</td></tr>
<tr><td>GoogleTest, Google Benchmark</td><td>tests and benchmarks only</td>
<td>BSD-3-Clause, Apache-2.0</td></tr>
</table>
)")
        .arg(QStringLiteral(SOAR_VERSION), QString::fromLatin1(qVersion()));
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Soarcalculus help"));
    setObjectName(QStringLiteral("help"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    tabs_ = new QTabWidget(this);
    const auto add = [this](const QString& title, const QString& html) {
        auto* text = new QTextBrowser(tabs_);
        text->setOpenExternalLinks(true);
        text->setHtml(html);
        tabs_->addTab(text, title);
    };
    add(QStringLiteral("Keys and mouse"), keys_help_html());
    add(QStringLiteral("How dynamic soaring works"), soaring_help_html());
    add(QStringLiteral("About"), about_html());
    top->addWidget(tabs_);
    // Inside the screen, however small.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
    resize(std::min(720, room.width() - 40), std::min(640, room.height() - 60));
}

QTextBrowser* HelpWindow::page(int index) const {
    return qobject_cast<QTextBrowser*>(tabs_->widget(index));
}

void HelpWindow::show_page(int page) {
    tabs_->setCurrentIndex(std::clamp(page, 0, tabs_->count() - 1));
    show();
    raise();
    activateWindow();
}

}  // namespace soar
