#pragma once
// One control of a Qt window: the logic's control members over the widget built for it.

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QWidget>

#include <functional>
#include <utility>

#include "ui/classic_control.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::qt {

// One control: the widget and the description it was built from.
class QtControl final : public ui::ClassicControl {
public:
    QtControl(const ui::ControlDesc& description, QWidget* widget)
        : description_(description), widget_(widget) {}
    // A control whose widget is built when it is first used.
    QtControl(const ui::ControlDesc& description, std::function<QWidget*()> build)
        : description_(description), build_(std::move(build)) {}

    const ui::ControlDesc& description() const override { return description_; }
    QWidget* widget() const {
        if (widget_ == nullptr) widget_ = std::exchange(build_, {})();
        return widget_;
    }
    // The widget if it has been built, else null.
    QWidget* builtWidget() const { return widget_; }

    std::u16string text() const override;
    bool enabled() const override { return widget()->isEnabled(); }
    void setEnabled(bool enabled) override { widget()->setEnabled(enabled); }
    void setVisible(bool visible) override { widget()->setVisible(visible); }
    void setFocus() override;
    void setBackground(ui::SysColor color) override;
    void bringToFront() override { widget()->raise(); }

    int selectionStart() const override;
    int selectionLength() const;
    std::u16string selectedText() const override;
    void setSelectedText(std::u16string_view text) override;

    int listIndex() const override;
    int listCount() const override;
    void clearList() override;
    void addItem(std::u16string_view item) override;

    std::chrono::year_month_day calendarValue() const override;

protected:
    void writeText(std::u16string_view text) override;
    void placeCaret(int position) override;
    void select(int start, int length) override;
    void selectEntry(int index) override;
    std::u16string entry(int index) const override;
    void showDate(std::chrono::year_month_day date) override;

private:
    template <class W>
    W* as(const char16_t* member) const {
        if (auto* w = qobject_cast<W*>(widget())) return w;
        unsupported(member);
    }
    QComboBox* combo() const { return qobject_cast<QComboBox*>(widget()); }
    // Narrows a drop-down list's font where its entries would be cut in the closed list.
    void fitEntries(QComboBox& combo, const QString& added) const;
    QListWidget* list() const { return qobject_cast<QListWidget*>(widget()); }
    QLineEdit* line() const { return qobject_cast<QLineEdit*>(widget()); }
    QPlainTextEdit* plain() const { return qobject_cast<QPlainTextEdit*>(widget()); }

    const ui::ControlDesc& description_;
    mutable QWidget* widget_ = nullptr;
    mutable std::function<QWidget*()> build_;
    ui::SysColor background_ = ui::SysColor::Window;
};

}  // namespace penwick::qt
