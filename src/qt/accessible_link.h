#pragma once
// Links are labels here; Qt speaks a label as static text. This tells screen readers that a
// label marked as a link is one.

class QWidget;

namespace penwick::qt {

// Marks the widget (a QLabel) as a link for screen readers; installs the factory on first use.
void markAsLink(QWidget& label);

}  // namespace penwick::qt
