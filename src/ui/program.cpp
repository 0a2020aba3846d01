#include "ui/program.h"

#include <algorithm>

#include "util/text.h"

namespace penwick::ui {

void Program::dispatch(const std::function<void()>& handler) {
    if (ended_) return;
    try {
        handler();
    } catch (const ProgramEnded&) {
        // The program was ended underneath this handler; nothing more to do.
    } catch (...) {
        reportFatal(currentFailure(u"Penwick"));
    }
}

void Program::reportFatal(const Failure& failure) {
    if (ended_) return;
    const std::u16string prompt =
        u"Run-time error '" + decimal(failure.number()) + u"':\r\n\r\n" + failure.description();
    try {
        ui_.messageBox(prompt, MessageStyle::CriticalOk, u"Penwick");
    } catch (...) {
        // The report is the last thing the program does; it must not fail in turn.
    }
    end(1);
}

void Program::end(int exitCode) {
    if (ended_) return;
    ended_ = true;
    exitCode_ = exitCode;
    // Newest first, as the close steps do, so a dialog never outlives its owner.
    while (!loaded_.empty()) loaded_.back()->unload();
    ui_.quit(exitCode);
}

void Program::yield() {
    throwIfEnded();
    ui_.yield();
    throwIfEnded();
}

void Program::throwIfEnded() const {
    if (ended_) throw ProgramEnded{};
}

void Program::modalDialogClosed() {
    if (main_ != nullptr && main_->loaded() && !ended_) main_->activate();
}

void Program::formLoaded(Form* form) {
    loaded_.push_back(form);
}

void Program::formUnloaded(Form* form) {
    loaded_.erase(std::remove(loaded_.begin(), loaded_.end(), form), loaded_.end());
}

Form::Form(Program& program, const WindowDesc& description)
    : program_(program), description_(description) {}

Form::~Form() {
    if (window_ != nullptr) {
        program_.formUnloaded(this);
        program_.ui().destroy(*window_);
    }
}

Window& Form::window() {
    if (window_ == nullptr) {
        // An ended program loads no window again: a handler that was under way when the
        // program ended (inside an automation call that let the user's Cancel run) stops here.
        program_.throwIfEnded();
        window_ = &program_.ui().create(description_, *this);
        program_.formLoaded(this);
        handle(Event{EventKind::Load, {}});
    }
    return *window_;
}

void Form::unload() {
    if (window_ == nullptr) return;
    Window* gone = window_;
    window_ = nullptr;
    program_.formUnloaded(this);
    program_.ui().destroy(*gone);
}

void Form::showModal() {
    window().showModal();
    program_.throwIfEnded();
    program_.modalDialogClosed();
}

void Form::deliver(const Event& event) {
    program_.dispatch([&] { handle(event); });
}

void Form::activate() {
    handle(Event{EventKind::Activate, {}});
}

}  // namespace penwick::ui
