#include "shell/modResize.h"

#include <QComboBox>
#include <QLayout>
#include <QMainWindow>
#include <QPointer>
#include <QWidget>
#include <unordered_map>
#include <vector>

#include "platform/ImageBox.h"

namespace modResize {
namespace {

// One control's place as fractions of the client area, and its font size as
// a fraction of the client width (0: the control has no font to scale).
struct ControlRatios {
    QPointer<QWidget> control;
    double height = 0;
    double width = 0;
    double top = 0;
    double left = 0;
    double font = 0;
    bool fontInPixels = false;
};

struct WindowRecord {
    QString name;  // the window's name when it was recorded
    bool recorded = false;
    std::vector<ControlRatios> controls;
};

// One record per window; a window's record goes when the window does.
std::unordered_map<const QWidget*, WindowRecord>& records()
{
    static std::unordered_map<const QWidget*, WindowRecord> map;
    return map;
}

WindowRecord& recordFor(QWidget& window)
{
    auto& map = records();
    auto found = map.find(&window);
    if (found != map.end()) return found->second;
    QObject::connect(&window, &QObject::destroyed, [key = &window] { records().erase(key); });
    return map[&window];
}

// The client area: what a main window shows between its menu and its edge.
QWidget& clientArea(QWidget& window)
{
    if (auto* main = qobject_cast<QMainWindow*>(&window); main && main->centralWidget()) return *main->centralWidget();
    return window;
}

bool layoutHolds(const QLayout* layout, const QWidget* widget)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget) return true;
        if (item->layout() && layoutHolds(item->layout(), widget)) return true;
    }
    return false;
}

// A control is a named widget placed by hand. Qt names the internal parts of
// its composite widgets "qt_..."; widgets that a layout places (a tab
// widget's pages, the browser inside the web pane) belong to that layout.
bool isControl(const QWidget* widget)
{
    const QString name = widget->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) return false;
    if (widget->isWindow()) return false;
    const QWidget* parent = widget->parentWidget();
    if (parent && parent->layout() && layoutHolds(parent->layout(), widget)) return false;
    return true;
}

bool hasFontSize(const QWidget* widget)
{
    // A picture box has no text, so no font size to follow the window.
    return qobject_cast<const ImageBox*>(widget) == nullptr;
}

// Widgets whose height the toolkit fixes keep it whatever the window's height.
bool hasFixedHeight(const QWidget* widget) { return qobject_cast<const QComboBox*>(widget) != nullptr; }

void RecordLayout(QWidget& window, WindowRecord& record)
{
    QWidget& area = clientArea(window);
    const double sw = area.width();
    const double sh = area.height();
    record.controls.clear();
    const auto children = area.findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (!isControl(child)) continue;
        ControlRatios r;
        r.control = child;
        const QRect g = child->geometry();
        r.height = g.height() / sh;
        r.width = g.width() / sw;
        r.top = g.y() / sh;
        r.left = g.x() / sw;
        if (hasFontSize(child)) {
            const QFont font = child->font();
            if (font.pointSizeF() > 0) {
                r.font = font.pointSizeF() / sw;
            } else if (font.pixelSize() > 0) {
                r.font = font.pixelSize() / sw;
                r.fontInPixels = true;
            }
        }
        record.controls.push_back(r);
    }
}

void placeFont(QWidget& control, const ControlRatios& r, double sw)
{
    if (r.font <= 0) return;
    const double size = r.font * sw;
    QFont font = control.font();
    if (r.fontInPixels) {
        // A font cannot be smaller than one pixel; it keeps its size instead.
        const int pixels = qRound(size);
        if (pixels < 1 || font.pixelSize() == pixels) return;
        font.setPixelSize(pixels);
    } else {
        if (size <= 0 || font.pointSizeF() == size) return;
        font.setPointSizeF(size);
    }
    control.setFont(font);
}

}  // namespace

void ResizeForm(QWidget& window)
{
    WindowRecord& record = recordFor(window);
    if (record.name != window.objectName()) {
        record.name = window.objectName();
        record.recorded = false;
        record.controls.clear();
    }

    QWidget& area = clientArea(window);
    const int sw = area.width();
    const int sh = area.height();
    if (!record.recorded) {
        // Ratios taken at an empty client area would all be 0 for the rest of
        // the run: wait for a real size.
        if (sw <= 0 || sh <= 0) return;
        RecordLayout(window, record);
        record.recorded = true;
    }

    for (const ControlRatios& r : record.controls) {
        QWidget* control = r.control.data();
        if (!control) continue;
        const int left = qRound(r.left * sw);
        const int top = qRound(r.top * sh);
        const int width = qRound(r.width * sw);
        if (hasFixedHeight(control)) {
            control->setGeometry(left, top, width, control->height());
        } else {
            control->setGeometry(left, top, width, qRound(r.height * sh));
        }
        placeFont(*control, r, sw);
    }
}

}  // namespace modResize
