#pragma once
// One window of the Qt front end: the top-level widget built from its description, its
// controls, and the events it passes to the logic.

#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

#include "qt/qt_control.h"
#include "qt/widgets_ui.h"
#include "ui/layout.h"

namespace penwick::qt {

// The top-level widget: the close box asks the logic, which decides whether the window goes.
class FormWidget final : public QWidget {
public:
    explicit FormWidget(QtWindow& window) : window_(&window) {}
    void detach() { window_ = nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QtWindow* window_;
    bool painted_ = false;
};

class QtWindow final : public ui::Window {
public:
    QtWindow(QtUi& ui, const ui::WindowDesc& description, ui::EventSink& sink, double dpi);
    ~QtWindow() override;

    const ui::WindowDesc& description() const override { return description_; }
    ui::Control& control(std::string_view name, int index = -1) override;
    void setCaption(std::u16string_view caption) override;
    void show() override;
    void showModal() override;
    void hide() override;
    bool visible() const override { return widget_ && widget_->isVisible(); }
    void bringToFront() override;
    void moveTo(int leftTwips, int topTwips) override;
    int widthTwips() const override { return toTwips(widget_->frameGeometry().width()); }
    int heightTwips() const override { return toTwips(widget_->frameGeometry().height()); }
    // Qt has no portable place for it on this desktop; the caption says it in words.
    void setProgress(const ui::Progress&) override {}

    QWidget* widget() const { return widget_; }
    QtControl* controlOf(const QWidget* widget) const;
    // Passes one user event to the logic, unless the window has been unloaded.
    void deliver(ui::EventKind kind, const ui::ControlDesc* control = nullptr) {
        ui_.windows().deliver(sink_, kind, control);
    }
    // Cuts the window off from the logic: no more events, out of its modal loop, hidden.
    void detach();
    // Builds the controls whose widgets wait for their first use.
    void buildRest();

private:
    QWidget* build(const ui::ControlDesc& d, QWidget* parent);
    // build(), for a control built after the others: also puts it into the tab order.
    QWidget* buildLater(const ui::ControlDesc& d, QWidget* parent);
    void connectEvents(const ui::ControlDesc& d, QWidget* w);
    void place();
    int toPixels(int twips) const { return ui::twipsToPixels(twips, dpi_); }
    int toTwips(int pixels) const { return ui::pixelsToTwips(pixels, dpi_); }

    QtUi& ui_;
    const ui::WindowDesc& description_;
    ui::EventSink* sink_;
    double dpi_;
    QPointer<FormWidget> widget_;
    // Owns every signal connection and filter, so that they all go with the window.
    std::unique_ptr<QObject> connections_;
    std::vector<std::unique_ptr<QtControl>> controls_;
    QEventLoop* modalLoop_ = nullptr;
    bool placed_ = false;
};

}  // namespace penwick::qt
