// Help: the keys and mouse actions of both windows, how dynamic soaring works
// in this program (the wind gradient, the specific energy and the two parts of
// its rate that the charts show, what each pattern does), and About (version,
// the libraries used and their licences). One window with a page each.
#pragma once

#include <QTabWidget>
#include <QTextBrowser>
#include <QWidget>

namespace soar {

class HelpWindow final : public QWidget {
    Q_OBJECT

  public:
    enum Page { keys, soaring, about };
    explicit HelpWindow(QWidget* parent);

    // Shown, raised, at `page`.
    void show_page(int page);
    QTabWidget* pages() const { return tabs_; }
    QTextBrowser* page(int index) const;

  private:
    QTabWidget* tabs_;
};

// The pages' text (HTML).
QString keys_help_html();
QString soaring_help_html();
QString about_html();

}  // namespace soar
