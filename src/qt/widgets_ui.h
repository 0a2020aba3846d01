#pragma once
// The Qt Widgets front end: real windows built from the logic's window descriptions, and the
// message boxes, file dialog and message loop the logic asks for.

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

#include "ui/window.h"
#include "ui/window_keeper.h"

class QWidget;

namespace penwick::qt {

class QtWindow;

class QtUi final : public ui::Ui {
public:
    QtUi();
    ~QtUi() override;

    ui::Window& create(const ui::WindowDesc& description, ui::EventSink& sink) override;
    void destroy(ui::Window& window) override;
    void yield() override;
    ui::MessageAnswer messageBox(std::u16string_view prompt, ui::MessageStyle style,
                                 std::u16string_view title) override;
    std::optional<std::u16string> openFile(const ui::FileDialogRequest& request,
                                           ui::Window* owner) override;
    ui::ScreenSize screenSize() const override;
    void quit(int exitCode) override;
    int run() override;

    // The screen's logical resolution that twips are measured against.
    double dotsPerInch() const;
    // The top-level widget of a window this front end made (for grabs and tests).
    QWidget* widgetOf(ui::Window& window) const;

    // The windows this front end made; they pass their events to the logic through it.
    ui::WindowKeeper<QtWindow>& windows() { return windows_; }

private:
    QWidget* activeOwner() const;

    ui::WindowKeeper<QtWindow> windows_;
    bool quitRequested_ = false;
    int exitCode_ = 0;
    std::unique_ptr<QObject> focusWatch_;
};

}  // namespace penwick::qt
