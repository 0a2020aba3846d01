#pragma once
// The Qt Widgets front end: real windows built from the logic's window descriptions, and the
// message boxes, file dialog and message loop the logic asks for.

#include <QObject>
#include <QPointer>

#include <memory>

#include "ui/front_end.h"

class QWidget;

namespace penwick::qt {

class QtWindow;

}  // namespace penwick::qt

// Instantiated once, in the front end's own source, where the window is complete.
extern template class penwick::ui::FrontEnd<penwick::qt::QtWindow>;

namespace penwick::qt {

class QtUi final : public ui::FrontEnd<QtWindow> {
public:
    QtUi();
    ~QtUi() override;

    void yield() override;
    ui::MessageAnswer messageBox(std::u16string_view prompt, ui::MessageStyle style,
                                 std::u16string_view title) override;
    std::optional<std::u16string> openFile(const ui::FileDialogRequest& request,
                                           ui::Window* owner) override;
    double dotsPerInch() const override;

    // The top-level widget of a window this front end made (for grabs and tests).
    QWidget* widgetOf(ui::Window& window) const;

protected:
    std::unique_ptr<QtWindow> makeWindow(const ui::WindowDesc& description,
                                         ui::EventSink& sink) override;
    ui::PixelSize screenPixels() const override;
    void leaveLoops(int exitCode) override;
    int runLoop() override;

private:
    QWidget* activeOwner() const;

    std::unique_ptr<QObject> focusWatch_;
};

}  // namespace penwick::qt
