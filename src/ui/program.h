#pragma once
// The program's lifetime: the loaded windows in load order, the dispatch of events to their
// handlers, the standard fatal-error report and the end of the program.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/window.h"
#include "util/failure.h"

namespace penwick::ui {

class Form;

class Program {
public:
    explicit Program(Ui& ui) : ui_(ui) {}
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Ui& ui() { return ui_; }

    // Runs one event handler. A failure the handler lets go ends here
    // in the standard fatal-error report; the end of the program stops the handler quietly.
    void dispatch(const std::function<void()>& handler);

    // The standard fatal-error report: a modal box with the failure's number and
    // description; then the program ends with exit status 1.
    void reportFatal(const Failure& failure);

    // Ends the program at once: no window stays, and every blocking call still under way
    // throws ProgramEnded when it returns.
    void end(int exitCode);
    bool ended() const { return ended_; }
    int exitCode() const { return exitCode_; }

    // Lets pending window messages run once; throws ProgramEnded when one of them ended the
    // program.
    void yield();
    void throwIfEnded() const;

    // The loaded windows, in load order.
    const std::vector<Form*>& loadedForms() const { return loaded_; }

    // The window that is activated again whenever a modal dialog of the program is hidden.
    void setMainForm(Form* form) { main_ = form; }
    void modalDialogClosed();

private:
    friend class Form;
    void formLoaded(Form* form);
    void formUnloaded(Form* form);

    Ui& ui_;
    std::vector<Form*> loaded_;
    Form* main_ = nullptr;
    bool ended_ = false;
    int exitCode_ = 0;
};

// One window of the program and its handlers. It exists at most once; its window is created
// (loaded) on first use and can be unloaded and loaded again later.
class Form : public EventSink {
public:
    Form(Program& program, const WindowDesc& description);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const WindowDesc& description() const { return description_; }
    bool loaded() const { return window_ != nullptr; }
    // The window, loaded first when it is not (which runs the load handler).
    Window& window();
    Control& control(std::string_view name, int index = -1) {
        return window().control(name, index);
    }
    void unload();

    // Shows the window modally; returns once it is hidden or unloaded.
    void showModal();

    // From the front end: runs the matching handler through the program's dispatch.
    void deliver(const Event& event) final;
    // From the program: the activation steps.
    void activate();

protected:
    Program& program() { return program_; }
    // The handlers of this window. Load runs inside the first use, Activate inside the
    // program's own steps; the others come from the user.
    virtual void handle(const Event& event) = 0;

private:
    Program& program_;
    const WindowDesc& description_;
    Window* window_ = nullptr;
};

}  // namespace penwick::ui
