// The layout resizer: every control of the main window in proportion to its client area.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <map>

#include "shell/frmMain.h"
#include "shell/modResize.h"
#include "support/WindowEnv.h"

namespace {

// Place and font size of every named control but Qt's own parts; the tab pages follow the tab control.
std::map<QString, std::pair<QRect, qreal>> snapshot(const QWidget& area)
{
    std::map<QString, std::pair<QRect, qreal>> out;
    for (QWidget* w : area.findChildren<QWidget*>(QRegularExpression("^(?!qt_|Page).")))
        out[w->objectName()] = {w->geometry(), w->font().pointSizeF()};
    return out;
}

QRect scaled(QRect r, int fx, int fy) { return {r.x() * fx, r.y() * fy, r.width() * fx, r.height() * fy}; }

TEST(ResizeTest, MainWindowKeepsEveryControlAndFontInProportion)
{
    WindowEnv env;
    auto window = env.openWindow();
    window->show();
    QWidget* area = window->centralWidget();
    const QSize design = area->size();
    const auto before = snapshot(*area);
    EXPECT_TRUE(before.count("Dir2") && before.count("Web"));  // the hidden pages take part too
    const int frame = window->height() - design.height();
    // Twice the width and height, twice the width alone, an empty client area, the design size again.
    for (auto [fx, fy] : {std::pair{2, 2}, {2, 1}, {0, 0}, {1, 1}}) {
        const QSize client(design.width() * fx, design.height() * fy);
        if (fx == 0) {  // the window system keeps a least size: the client area is emptied by hand
            area->resize(client);
            modResize::ResizeForm(*window);
            EXPECT_EQ(window->cmdCreate->geometry(), QRect());
            continue;
        }
        window->resize(client.width(), client.height() + frame);
        ASSERT_TRUE(QTest::qWaitFor([&] { return area->size() == client; }, 5000));
        for (const auto& [name, now] : snapshot(*area)) {
            const auto& [place, font] = before.at(name);
            EXPECT_EQ(now.first, scaled(place, fx, fy)) << name.toStdString() << " at " << fx << "x" << fy;
            if (!name.contains("Img")) {
                EXPECT_DOUBLE_EQ(now.second, fx * font) << name.toStdString();
            }
        }
    }
}

TEST(ResizeTest, RecordingWaitsForANonEmptyClientArea)
{
    QWidget window;
    auto* edit = new QLineEdit(&window);
    edit->setObjectName("Edit");
    edit->setGeometry(8, 24, 180, 24);
    for (QSize size : {QSize(0, 0), QSize(400, 300), QSize(800, 600)}) {  // recorded at 400 x 300
        window.resize(size);
        modResize::ResizeForm(window);
    }
    EXPECT_EQ(edit->geometry(), QRect(16, 48, 360, 48));
}

}  // namespace
