#include "app/ui/title_window.h"

#include <QPainter>
#include <QPushButton>

#include "app/ui/stone_panel.h"

namespace tavrine::ui {

TitleWindow::TitleWindow(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("TitleWnd"));
    setWindowTitle(QStringLiteral("Welcome"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(320, 200);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(120, 136, 80, 29);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(0); });
}

void TitleWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The framed area with four centred lines.
    const QRect frame(26, 8, 264, 118);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::WindowText));
    QFont font = gothicFont(12);
    painter.setFont(font);
    const int ascent = QFontMetrics(font).ascent();
    const struct {
        int x;
        int y;
        const char* text;
    } lines[4] = {{41, 36, "[   t  a  v  r  i  n  e   ]"},
                  {40, 61, "version 4.06"},
                  {39, 82, "a ray tracer for faceted gemstones"},
                  {42, 99, "for the Linux desktop, on Qt 6"}};
    for (const auto& line : lines) {
        // Each line is centred in the frame; its stated x is where a centred line starts.
        const int width = QFontMetrics(font).horizontalAdvance(QString::fromUtf8(line.text));
        const int x = frame.left() + (frame.width() - width) / 2;
        painter.drawText(QPoint(x > line.x ? x : line.x, line.y + ascent),
                         QString::fromUtf8(line.text));
    }
}

}  // namespace tavrine::ui
